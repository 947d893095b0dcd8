// What the still-image decoders hand to Image: 8-bit pixels, upright, top row first, 4 bytes a pixel, in a
// buffer that is not zero-filled first, so only pages the decoder wrote are ever touched. Internal to the
// kit's image input.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

struct DecodedPixels {
  std::unique_ptr<uint8_t[]> pixels;
  int width = 0, height = 0;
  bool opaqueBGRA = false;  // opaque BGRA (JPEG) rather than straight-alpha RGBA (PNG)
};

// False, with the log line, when an image of this size is not accepted (empty or above Image's limits).
bool imageSizeAccepted(uint64_t width, uint64_t height, const std::string& name);

}  // namespace qv
QV_EXPORT_END
