#include <gtest/gtest.h>
#include <sys/mman.h>

#include <random>
#include <string_view>
#include <vector>

#include "qv/platform/CRC32.h"
#include "qv/platform/CRC32Kernels.h"

using namespace qv;

namespace {

std::span<const uint8_t> bytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// One table step per byte, as the checksum is defined.
uint32_t referenceCRC(std::span<const uint8_t> data, uint32_t seed, uint32_t polynomial) {
  uint32_t table[256];
  generateCRC32Table(table, polynomial);
  uint32_t state = seed;
  for (uint8_t b : data) state = (state >> 8) ^ table[(state ^ b) & 0xFF];
  return ~state;
}

std::vector<uint8_t> randomBytes(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> data(size);
  for (auto& b : data) b = uint8_t(random());
  return data;
}

constexpr uint32_t kCastagnoli = 0x82F63B78;

}  // namespace

TEST(CRC32Test, CheckValuesAndEmptyData) {
  EXPECT_EQ(crc32(bytes("123456789")), 0xCBF43926u);
  EXPECT_EQ(crc32UsingPolynomial(bytes("123456789"), kCastagnoli), 0xE3069283u);
  EXPECT_EQ(crc32({}), 0u);
  EXPECT_EQ(crc32WithSeed({}, 0x12345678), ~0x12345678u);
  EXPECT_EQ(crc32WithSeed({}, 0x12345678, kCastagnoli), ~0x12345678u);
  generateCRC32Table(nullptr, kCastagnoli);  // no table: nothing to write
}

// Lengths on both sides of every switch between paths, odd seeds, and polynomials with and without the
// x^0 term, against the byte-at-a-time definition.
TEST(CRC32Test, EveryPathMatchesTheDefinition) {
  const auto data = randomBytes(5000, 3);
  const uint32_t polynomials[] = {kCRC32DefaultPolynomial, kCastagnoli, 0xD5828281, 0x12345678, 1};
  const size_t lengths[] = {1, 15, 16, 63, 64, 65, 127, 255, 256, 257, 1000, 1023, 4096, 4999};
  for (uint32_t polynomial : polynomials) {
    for (size_t length : lengths) {
      const auto span = std::span(data).first(length);
      for (uint32_t seed : {0xFFFFFFFFu, 0u, 0xDEADBEEFu}) {
        SCOPED_TRACE(testing::Message() << std::hex << polynomial << " " << std::dec << length);
        const uint32_t expected = referenceCRC(span, seed, polynomial);
        ASSERT_EQ(crc32WithSeed(span, seed, polynomial), expected);
        ASSERT_EQ(~crc32kernels::slicingUpdate(seed, span.data(), length, polynomial), expected);
        if (length >= 64 && crc32kernels::cpuHasCarrylessMultiply()) {
          ASSERT_EQ(~crc32kernels::foldingUpdate(seed, span.data(), length, polynomial), expected);
        }
      }
    }
  }
}

TEST(CRC32Test, ChecksumsContinueWithTheComplementAsSeed) {
  const auto data = randomBytes(3000, 4);
  const auto span = std::span<const uint8_t>(data);
  for (size_t cut : {0, 1, 100, 2999}) {
    EXPECT_EQ(crc32WithSeed(span.subspan(cut), ~crc32(span.first(cut))), crc32(span));
    EXPECT_EQ(
        crc32WithSeed(span.subspan(cut), ~crc32UsingPolynomial(span.first(cut), kCastagnoli), kCastagnoli),
        crc32UsingPolynomial(span, kCastagnoli));
  }
}

// Data past 4 GiB is checksummed whole: compare one pass over 4 GiB + 3 zero bytes with the same bytes
// fed in 1 MiB pieces. Zero pages of a reserved mapping cost no memory.
TEST(CRC32Test, DataLongerThan4GiBIsChecksummedWhole) {
  const size_t length = (size_t(1) << 32) + 3;
  void* mapping = mmap(nullptr, length, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (mapping == MAP_FAILED) GTEST_SKIP() << "cannot reserve 4 GiB";
  const auto all = std::span(static_cast<const uint8_t*>(mapping), length);
  for (uint32_t polynomial : {kCRC32DefaultPolynomial, kCastagnoli}) {
    uint32_t pieces = crc32UsingPolynomial({}, polynomial);
    for (size_t offset = 0; offset < length; offset += size_t(1) << 20) {
      pieces =
          crc32WithSeed(all.subspan(offset, std::min(length - offset, size_t(1) << 20)), ~pieces, polynomial);
    }
    const uint32_t whole = crc32UsingPolynomial(all, polynomial);
    EXPECT_EQ(whole, pieces) << std::hex << polynomial;
    EXPECT_NE(whole, crc32UsingPolynomial(all.first(3), polynomial));
  }
  munmap(mapping, length);
}
