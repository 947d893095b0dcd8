// A sound source of the host's sound system, as the sound producer sees it: something that takes decoded
// blocks. The host implements it; the kit only calls ReceiveSample.
#pragma once

#include <cstdint>

#include "qv/media/QVSoundOutputType.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class QVSoundSource {
 public:
  virtual ~QVSoundSource() = default;
  // One block of 16-bit little-endian samples in the form `type`, at `rate` Hz. The bytes are valid only
  // during the call.
  virtual void ReceiveSample(QVSOUND_OUTPUT_TYPE type, const uint8_t* bytes, float rate,
                             uint32_t byteCount) = 0;
};

}  // namespace qv
QV_EXPORT_END
