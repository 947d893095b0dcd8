// Colour times alpha, for pictures kept with premultiplied alpha.
#pragma once

#include <cstdint>

namespace qv {

// c * a / 255, rounded.
inline uint8_t premultiply(uint32_t c, uint32_t a) {
  return uint8_t((c * a + 127) / 255);
}

}  // namespace qv
