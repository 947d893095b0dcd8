#include "qv/os/JpegMetadata.h"

#include <cstring>

namespace qv {

namespace {

// The orientation tag of IFD0 in an EXIF block ("Exif\0\0" then a TIFF header); 1 when absent or damaged.
int exifOrientation(std::span<const uint8_t> exif) {
  if (exif.size() < 14 || std::memcmp(exif.data(), "Exif\0\0", 6) != 0) return 1;
  std::span<const uint8_t> tiff = exif.subspan(6);
  const bool little = tiff[0] == 'I' && tiff[1] == 'I';
  if (!little && !(tiff[0] == 'M' && tiff[1] == 'M')) return 1;
  auto u16 = [&](size_t at) -> uint32_t {
    return little ? uint32_t(tiff[at]) | uint32_t(tiff[at + 1]) << 8 : uint32_t(tiff[at]) << 8 | tiff[at + 1];
  };
  auto u32 = [&](size_t at) -> uint32_t {
    return little ? u16(at) | u16(at + 2) << 16 : u16(at) << 16 | u16(at + 2);
  };
  if (u16(2) != 42) return 1;
  const uint64_t ifd = u32(4);
  if (ifd + 2 > tiff.size()) return 1;
  const uint32_t entries = u16(size_t(ifd));
  for (uint32_t i = 0; i < entries; ++i) {
    const uint64_t entry = ifd + 2 + uint64_t(i) * 12;
    if (entry + 12 > tiff.size()) return 1;
    if (u16(size_t(entry)) != 0x0112) continue;
    const uint32_t type = u16(size_t(entry) + 2), value = u16(size_t(entry) + 8);
    return type == 3 && value >= 1 && value <= 8 ? int(value) : 1;
  }
  return 1;
}

}  // namespace

JpegMetadata JpegMetadata::read(std::span<const uint8_t> bytes) {
  JpegMetadata metadata;
  bool sawExif = false;
  size_t at = 2;  // after SOI
  while (at + 4 <= bytes.size()) {
    if (bytes[at] != 0xFF) break;
    const uint8_t marker = bytes[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) break;  // the first scan, or the end
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
      at += 2;
      continue;
    }
    const size_t length = size_t(bytes[at + 2]) << 8 | bytes[at + 3];
    if (length < 2 || at + 2 + length > bytes.size()) break;
    std::span<const uint8_t> payload = bytes.subspan(at + 4, length - 2);
    if (marker == 0xE1 && !sawExif && payload.size() >= 6 &&
        std::memcmp(payload.data(), "Exif\0\0", 6) == 0) {
      sawExif = true;
      metadata.orientation = exifOrientation(payload);
    } else if (marker == 0xEE && payload.size() >= 5 && std::memcmp(payload.data(), "Adobe", 5) == 0) {
      metadata.adobe = true;
    }
    at += 2 + length;
  }
  return metadata;
}

}  // namespace qv
