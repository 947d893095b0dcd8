// PNG bytes to straight-alpha RGBA (libpng). Rows are decoded one at a time into an unfilled buffer, so a
// header that promises more pixels than the data holds costs only what was decoded. No gamma change where
// the file asks for none; 16-bit samples are scaled to 8 bits. False with one log line on bad input.
#pragma once

#include <span>
#include <string>

#include "qv/os/DecodedPixels.h"

#include "qv/os/Export.h"

struct png_struct_def;
struct png_info_def;

QV_EXPORT_BEGIN
namespace qv {

bool decodePNG(std::span<const uint8_t> bytes, const std::string& name, DecodedPixels& out);

// Sets the output of a libpng reader whose header has been read to 8-bit RGBA (BGRA when `bgr`), as
// decodePNG gives it: palette and grey expanded, 16 bits scaled, the file's gamma applied unless it says
// sRGB. Returns the number of interlace passes. May longjmp (libpng's error handling).
int setUpPngOutput(png_struct_def* png, png_info_def* info, bool bgr);

}  // namespace qv
QV_EXPORT_END
