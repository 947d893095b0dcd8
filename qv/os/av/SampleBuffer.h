// One block of decoded audio as a track output hands it out: interleaved PCM bytes, their stream
// description and the presentation time of the first frame. The bytes belong to the buffer; the output may
// reuse a buffer for a later block once nobody else holds it.
#pragma once

#include <cstdint>
#include <vector>

#include "qv/os/av/AudioStreamDescription.h"
#include "qv/os/av/MediaTime.h"

namespace qv {

struct AudioBuffer {
  uint32_t numberChannels = 0;
  uint32_t dataByteSize = 0;
  const uint8_t* data = nullptr;
};

class SampleBuffer {
 public:
  const AudioStreamDescription& format() const { return format_; }
  MediaTime presentationTime() const { return presentationTime_; }
  uint32_t numSamples() const {
    return format_.bytesPerFrame ? uint32_t(bytes_.size() / format_.bytesPerFrame) : 0;
  }

  // Fills `buffers` (room for `capacity`) with the block's buffers: one for interleaved data. Returns false,
  // leaving *count at 0, when the buffer holds no PCM or `capacity` is too small.
  bool audioBufferList(AudioBuffer* buffers, uint32_t capacity, uint32_t* count) const {
    *count = 0;
    if (format_.formatID != AudioStreamDescription::kLinearPCM || capacity < 1 || !buffers) return false;
    buffers[0] = {format_.channelsPerFrame, uint32_t(bytes_.size()), bytes_.data()};
    *count = 1;
    return true;
  }

 private:
  friend class AudioTrackDecoder;
  AudioStreamDescription format_;
  MediaTime presentationTime_;
  std::vector<uint8_t> bytes_;
};

}  // namespace qv
