// JPEG bytes to opaque BGRA (TurboJPEG), turned upright as the EXIF orientation says. CMYK and YCCK files
// are decoded as CMYK and converted (Adobe files store the samples inverted). False with one log line on
// bad input; a truncated or damaged file is an error, not a warning.
#pragma once

#include <span>
#include <string>

#include "qv/os/DecodedPixels.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

bool decodeJPEG(std::span<const uint8_t> bytes, const std::string& name, DecodedPixels& out);

}  // namespace qv
QV_EXPORT_END
