// Where the player's sound goes. The sink pulls interleaved 32-bit float frames from the player on its
// own thread, as fast as its device plays them. The kit itself opens no audio device: the default sink
// is silent and pulls at real-time speed, so the sound is consumed (and video timing is the same) where
// no device exists. A program installs a sink for its audio device with setFactory; a factory that
// returns nullptr (no device) falls back to the silent sink.
#pragma once

#include <functional>
#include <memory>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class AudioSink {
 public:
  // Fills `frames` frames of `channels` interleaved float samples; called on the sink's thread.
  using Pull = std::function<void(float* samples, int frames)>;
  using Factory = std::function<std::unique_ptr<AudioSink>(int sampleRate, int channels, Pull pull)>;

  // The host's sink when a factory is installed and gives one, otherwise the silent sink.
  static std::unique_ptr<AudioSink> create(int sampleRate, int channels, Pull pull);
  static void setFactory(Factory factory);
  // A sink that plays nothing but pulls at real-time speed.
  static std::unique_ptr<AudioSink> createSilent(int sampleRate, int channels, Pull pull);

  // Stops pulling before returning: after destruction the pull function is never called again.
  virtual ~AudioSink() = default;
};

}  // namespace qv
QV_EXPORT_END
