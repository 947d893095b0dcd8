// What a JPEG's marker segments say beyond the pixels: the EXIF orientation (APP1) and whether an Adobe
// APP14 segment is present (then CMYK samples are stored inverted, 255 meaning no ink). Reads only the
// segments before the first scan; malformed segments are ignored, not errors.
#pragma once

#include <cstdint>
#include <span>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

struct JpegMetadata {
  int orientation = 1;  // EXIF 1..8: how the stored picture is turned and mirrored; 1 is upright
  bool adobe = false;

  static JpegMetadata read(std::span<const uint8_t> bytes);
};

}  // namespace qv
QV_EXPORT_END
