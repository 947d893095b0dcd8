// CRC-32 over a byte span with a selectable seed and polynomial, reflected (least significant bit first):
// state = seed, one table step per byte, result = NOT state. The defaults (seed 0xFFFFFFFF, polynomial
// 0xEDB88320) give the common CRC-32 of zip, PNG and Ethernet. To continue a checksum q over more data,
// pass NOT q as the seed. Any thread may call these; nothing is kept between calls.
#pragma once

#include <cstdint>
#include <span>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

inline constexpr uint32_t kCRC32DefaultSeed = 0xFFFFFFFFu;
inline constexpr uint32_t kCRC32DefaultPolynomial = 0xEDB88320u;  // reflected form of 0x04C11DB7

uint32_t crc32(std::span<const uint8_t> data);
uint32_t crc32WithSeed(std::span<const uint8_t> data, uint32_t seed);
uint32_t crc32UsingPolynomial(std::span<const uint8_t> data, uint32_t polynomial);
uint32_t crc32WithSeed(std::span<const uint8_t> data, uint32_t seed, uint32_t polynomial);

// Fills table[0..255] with the one-byte steps for `polynomial` (reflected form). A null table is ignored.
void generateCRC32Table(uint32_t* table, uint32_t polynomial);

}  // namespace qv
QV_EXPORT_END
