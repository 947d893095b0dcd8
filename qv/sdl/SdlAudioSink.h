// Sound through SDL2: the player's samples played on the default SDL2 audio device. install()
// makes every player the kit creates from then on use it; where no device can be opened the kit's silent,
// clocked sink is used instead, so video timing is the same. Call install() once, on the main thread,
// before the first asset is made.
#pragma once

#include <SDL.h>

#include <memory>

#include "qv/os/Export.h"
#include "qv/os/av/AudioSink.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

QV_EXPORT_BEGIN

class SdlAudioSink : public AudioSink {
 public:
  static void install();
  // nullptr when the device cannot be opened.
  static std::unique_ptr<AudioSink> open(int sampleRate, int channels, Pull pull);
  ~SdlAudioSink() override;

 private:
  explicit SdlAudioSink(Pull pull) : pull_(std::move(pull)) {}
  static void callback(void* self, Uint8* stream, int length);

  Pull pull_;
  int channels_ = 2;
  SDL_AudioDeviceID device_ = 0;
};

QV_EXPORT_END

}  // namespace qv
QV_EXPORT_END
