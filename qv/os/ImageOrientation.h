// Turns decoded 4-byte pixels upright as an EXIF orientation (1..8) says: mirrored for 2 and 4, half a
// turn for 3, and for 5..8 a quarter turn (with a mirror for 5 and 7) that swaps width and height.
#pragma once

#include "qv/os/DecodedPixels.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

// False (pixels unchanged) when the turned copy cannot be allocated.
bool orientPixels(DecodedPixels& image, int orientation);

}  // namespace qv
QV_EXPORT_END
