// The forms in which the sound producer hands a decoded block to a sound source.
#pragma once

#include <cstdint>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

enum QVSOUND_OUTPUT_TYPE : uint32_t {
  QVSOUND_OUTPUT_INTERLEAVED = 1,     // the block as decoded: interleaved frames of 16-bit samples
  QVSOUND_OUTPUT_FIRST_CHANNEL = 2,   // channel 0 of each frame only
  QVSOUND_OUTPUT_SECOND_CHANNEL = 3,  // channel 1 of each frame only (channel 0 again for a mono track)
};

}  // namespace qv
QV_EXPORT_END
