// What a track output decodes to. The readers produce linear PCM only; a sample rate of nullopt keeps the
// decoder's rate, any other rate is reached by resampling.
#pragma once

#include <cstdint>
#include <optional>

#include "qv/os/av/AudioStreamDescription.h"

namespace qv {

struct AudioOutputSettings {
  uint32_t formatID = AudioStreamDescription::kLinearPCM;
  std::optional<float> sampleRate;  // Hz
  uint32_t bitDepth = 16;
  bool isNonInterleaved = false;
  bool isFloat = false;
  bool isBigEndian = false;
};

}  // namespace qv
