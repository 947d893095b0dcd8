// PNG bytes to straight-alpha RGBA (libpng). Rows are decoded one at a time into an unfilled buffer, so a
// header that promises more pixels than the data holds costs only what was decoded. No gamma change where
// the file asks for none; 16-bit samples are scaled to 8 bits. False with one log line on bad input.
#pragma once

#include <span>
#include <string>

#include "qv/os/DecodedPixels.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

bool decodePNG(std::span<const uint8_t> bytes, const std::string& name, DecodedPixels& out);

}  // namespace qv
QV_EXPORT_END
