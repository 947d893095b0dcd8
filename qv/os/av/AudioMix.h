// An audio mix: a volume per sound track, applied to the samples the item plays.
#pragma once

#include <cstdint>
#include <vector>

#include "qv/os/av/MediaTime.h"

namespace qv {

struct AudioMixInputParameters {
  int32_t trackID = 0;
  float volume = 1.0f;
  MediaTime atTime = MediaTime::zero();  // the volume holds from this time on
};

struct AudioMix {
  std::vector<AudioMixInputParameters> inputParameters;
};

}  // namespace qv
