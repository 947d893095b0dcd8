#include "qv/os/ImageOrientation.h"

#include <cstring>
#include <new>

namespace qv {

bool orientPixels(DecodedPixels& image, int orientation) {
  if (orientation < 2 || orientation > 8) return true;
  const int w = image.width, h = image.height;  // as stored
  const bool swap = orientation >= 5;
  const int outW = swap ? h : w, outH = swap ? w : h;
  std::unique_ptr<uint8_t[]> turned(new (std::nothrow) uint8_t[size_t(w) * size_t(h) * 4]);
  if (!turned) return false;
  const uint8_t* in = image.pixels.get();
  uint8_t* out = turned.get();
  for (int y = 0; y < outH; ++y) {
    for (int x = 0; x < outW; ++x) {
      int sx = x, sy = y;  // where the shown pixel (x, y) is stored
      switch (orientation) {
        case 2:
          sx = w - 1 - x;
          break;
        case 3:
          sx = w - 1 - x, sy = h - 1 - y;
          break;
        case 4:
          sy = h - 1 - y;
          break;
        case 5:
          sx = y, sy = x;
          break;
        case 6:
          sx = y, sy = h - 1 - x;
          break;
        case 7:
          sx = w - 1 - y, sy = h - 1 - x;
          break;
        case 8:
          sx = w - 1 - y, sy = x;
          break;
      }
      std::memcpy(out + (size_t(y) * size_t(outW) + size_t(x)) * 4,
                  in + (size_t(sy) * size_t(w) + size_t(sx)) * 4, 4);
    }
  }
  image.pixels = std::move(turned);
  image.width = outW;
  image.height = outH;
  return true;
}

}  // namespace qv
