// Test helper: makes a PNG's header claim another size (the IHDR width and height, with the chunk's CRC
// recomputed), so a decoder can be shown a header that lies about how many pixels follow.
#pragma once

#include <cstdint>
#include <vector>

inline void claimPngSize(std::vector<uint8_t>& png, uint32_t width, uint32_t height) {
  for (int i = 0; i < 4; ++i) {
    png[16 + i] = uint8_t(width >> (24 - 8 * i));
    png[20 + i] = uint8_t(height >> (24 - 8 * i));
  }
  uint32_t crc = 0xFFFFFFFFu;  // over the chunk type and data: bytes 12 to 28
  for (size_t i = 12; i < 29; ++i) {
    crc ^= png[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  crc = ~crc;
  for (int i = 0; i < 4; ++i) png[29 + i] = uint8_t(crc >> (24 - 8 * i));
}
