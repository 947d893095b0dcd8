// A producer of decoded sound: sources request blocks of a track in a given form, the producer answers them
// as blocks arrive. Destroyed only through its own concrete type.
#pragma once

#include <cstdint>

#include "qv/media/QVSoundOutputType.h"
#include "qv/media/QVSoundSource.h"
#include "qv/media/QVTickable.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class QVSoundProducer : public QVTickable {
 public:
  // `source` asks for the next block of `track` in the form `type`.
  virtual void RequestSample(QVSoundSource* source, uint32_t track, QVSOUND_OUTPUT_TYPE type) = 0;
  // A decoded block of `size` bytes at `rate` Hz has arrived for `track` in the form `type`.
  virtual void ReceiveSampleData(uint32_t track, QVSOUND_OUTPUT_TYPE type, const uint8_t* data, float rate,
                                 uint32_t size) = 0;

 protected:
  ~QVSoundProducer() = default;
};

}  // namespace qv
QV_EXPORT_END
