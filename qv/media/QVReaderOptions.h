// The track table of a QVAssetReader: `size` records, owned by the reader.
#pragma once

#include <cstdint>

#include "qv/media/QVTrackOption.h"

struct QVReaderOptions {
  uint32_t size;
  QVTrackOption* options;
};
