// Decodes one audio track to 16-bit signed little-endian interleaved PCM, one block per read, keeping the
// track's channels and resampling to the requested rate when one is set. Reference-counted by hand
// (retain/release) because plain records of the host hold it; created with one reference.
// Used from one thread at a time; reading starts when the asset reader it was added to starts.
#pragma once

#include <atomic>
#include <memory>

#include "qv/os/av/AVError.h"
#include "qv/os/av/AssetTrack.h"
#include "qv/os/av/AudioOutputSettings.h"
#include "qv/os/av/SampleBuffer.h"

namespace qv {

class AudioTrackDecoder;

class AssetReaderTrackOutput {
 public:
  static AssetReaderTrackOutput* create(std::shared_ptr<AssetTrack> track,
                                        const AudioOutputSettings& settings);
  void retain() { references_.fetch_add(1, std::memory_order_relaxed); }
  void release();

  const std::shared_ptr<AssetTrack>& track() const { return track_; }
  const AudioOutputSettings& outputSettings() const { return settings_; }

  // The next block, or nullptr at the end of the track, on a failure, or before reading has started.
  std::shared_ptr<SampleBuffer> copyNextSampleBuffer();

 private:
  friend class AssetReader;
  AssetReaderTrackOutput(std::shared_ptr<AssetTrack> track, const AudioOutputSettings& settings);
  ~AssetReaderTrackOutput();
  // Opens the track's file and decoder; false with *error filled when it cannot.
  bool start(AVError* error);

  std::atomic<int> references_{1};
  std::shared_ptr<AssetTrack> track_;
  AudioOutputSettings settings_;
  std::unique_ptr<AudioTrackDecoder> decoder_;
  std::shared_ptr<SampleBuffer> spare_;  // the last block handed out, reused once its holders let go
};

}  // namespace qv
