// The track table of a QVAssetReader: `size` records, owned by the reader.
#pragma once

#include <cstdint>

#include "qv/media/QVTrackOption.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

struct QVReaderOptions {
  uint32_t size;
  QVTrackOption* options;
};

}  // namespace qv
QV_EXPORT_END
