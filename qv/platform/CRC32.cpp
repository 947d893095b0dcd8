#include "qv/platform/CRC32.h"

#include "qv/platform/CRC32Kernels.h"

#include <isa-l/crc.h>

#include <bit>
#include <cstring>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

namespace qv {
#define QV_CRC_X86 1
#endif

namespace crc32kernels {

// The state before `data` is `state`; returns the state after it (no final complement).
uint32_t bitwiseUpdate(uint32_t state, const uint8_t* data, size_t length, uint32_t polynomial) {
  for (size_t i = 0; i < length; ++i) {
    state ^= data[i];
    for (int bit = 0; bit < 8; ++bit) state = (state >> 1) ^ ((state & 1) ? polynomial : 0);
  }
  return state;
}

// Slicing by 8: table[k][b] is the state change of byte b followed by k zero bytes, so eight bytes take
// eight independent lookups instead of a chain of eight.
uint32_t slicingUpdate(uint32_t state, const uint8_t* data, size_t length, uint32_t polynomial) {
  std::vector<uint32_t> tables(8 * 256);
  generateCRC32Table(tables.data(), polynomial);
  const uint32_t* t = tables.data();
  for (int k = 1; k < 8; ++k) {
    for (int b = 0; b < 256; ++b) {
      const uint32_t previous = t[(k - 1) * 256 + b];
      tables[k * 256 + b] = (previous >> 8) ^ t[previous & 0xFF];
    }
  }
  size_t i = 0;
  for (; length - i >= 8; i += 8) {
    uint32_t lo, hi;
    std::memcpy(&lo, data + i, 4);
    std::memcpy(&hi, data + i + 4, 4);
    if constexpr (std::endian::native == std::endian::big)
      lo = __builtin_bswap32(lo), hi = __builtin_bswap32(hi);
    lo ^= state;
    state = t[7 * 256 + (lo & 0xFF)] ^ t[6 * 256 + ((lo >> 8) & 0xFF)] ^ t[5 * 256 + ((lo >> 16) & 0xFF)] ^
            t[4 * 256 + (lo >> 24)] ^ t[3 * 256 + (hi & 0xFF)] ^ t[2 * 256 + ((hi >> 8) & 0xFF)] ^
            t[1 * 256 + ((hi >> 16) & 0xFF)] ^ t[hi >> 24];
  }
  for (; i < length; ++i) state = (state >> 8) ^ t[(state ^ data[i]) & 0xFF];
  return state;
}

#ifdef QV_CRC_X86
namespace {

// Polynomials in the reflected 32-bit form: bit j is the coefficient of x^(31 - j).
uint32_t multiplyModulo(uint32_t a, uint32_t b, uint32_t polynomial) {
  uint32_t product = 0;
  for (uint32_t bit = 1u << 31; bit != 0; bit >>= 1) {
    if (a & bit) product ^= b;
    b = (b >> 1) ^ ((b & 1) ? polynomial : 0);  // b *= x
  }
  return product;
}

uint32_t xPowerModulo(uint64_t exponent, uint32_t polynomial) {
  uint32_t result = 1u << 31;  // 1
  uint32_t square = 1u << 30;  // x
  for (; exponent != 0; exponent >>= 1) {
    if (exponent & 1) result = multiplyModulo(result, square, polynomial);
    square = multiplyModulo(square, square, polynomial);
  }
  return result;
}

__attribute__((target("pclmul,sse4.1"))) inline __m128i fold(__m128i a, __m128i k) {
  return _mm_xor_si128(_mm_clmulepi64_si128(a, k, 0x00), _mm_clmulepi64_si128(a, k, 0x11));
}

}  // namespace

// Folding with carry-less multiplication, for any polynomial. A 128-bit register holds a chunk A of the
// message (its low 64 bits are the higher-degree half H, the high 64 bits the lower half L). Moving A
// forward by T bits is H * (x^(T+63) mod P) + L * (x^(T-1) mod P): the reflected product lands one degree
// low, hence the minus one. What is left after folding (one register and a short tail) goes through the
// bitwise step, whose state after A's 16 bytes from zero is A * x^32 mod P, the CRC of A.
__attribute__((target("pclmul,sse4.1"))) uint32_t foldingUpdate(uint32_t state, const uint8_t* data,
                                                                size_t length, uint32_t polynomial) {
  auto constant = [&](uint64_t exponent) { return uint64_t(xPowerModulo(exponent, polynomial)) << 32; };
  const __m128i by512 = _mm_set_epi64x(int64_t(constant(511)), int64_t(constant(575)));
  const __m128i by128 = _mm_set_epi64x(int64_t(constant(127)), int64_t(constant(191)));
  auto load = [&](size_t offset) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + offset)); };

  __m128i x0 = _mm_xor_si128(load(0), _mm_cvtsi32_si128(int(state)));
  __m128i x1 = load(16), x2 = load(32), x3 = load(48);
  size_t i = 64;
  for (; length - i >= 64; i += 64) {
    x0 = _mm_xor_si128(fold(x0, by512), load(i));
    x1 = _mm_xor_si128(fold(x1, by512), load(i + 16));
    x2 = _mm_xor_si128(fold(x2, by512), load(i + 32));
    x3 = _mm_xor_si128(fold(x3, by512), load(i + 48));
  }
  __m128i x = _mm_xor_si128(fold(x0, by128), x1);
  x = _mm_xor_si128(fold(x, by128), x2);
  x = _mm_xor_si128(fold(x, by128), x3);
  for (; length - i >= 16; i += 16) x = _mm_xor_si128(fold(x, by128), load(i));

  uint8_t last[16];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(last), x);
  return bitwiseUpdate(bitwiseUpdate(0, last, 16, polynomial), data + i, length - i, polynomial);
}

bool cpuHasCarrylessMultiply() {
  static const bool has = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
  return has;
}

#else

uint32_t foldingUpdate(uint32_t state, const uint8_t* data, size_t length, uint32_t polynomial) {
  return slicingUpdate(state, data, length, polynomial);
}

bool cpuHasCarrylessMultiply() {
  return false;
}

#endif

}  // namespace crc32kernels

namespace {

// Below this a table costs more to build than it saves.
constexpr size_t kBitwiseLimit = 256;

}  // namespace

void generateCRC32Table(uint32_t* table, uint32_t polynomial) {
  if (table == nullptr) return;
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t t = n;
    for (int bit = 0; bit < 8; ++bit) t = (t >> 1) ^ ((t & 1) ? polynomial : 0);
    table[n] = t;
  }
}

uint32_t crc32WithSeed(std::span<const uint8_t> data, uint32_t seed, uint32_t polynomial) {
  // The whole length is used, however large: size_t throughout.
  const uint8_t* bytes = data.data();
  const size_t length = data.size();
  if (length == 0) return ~seed;
  if (polynomial == kCRC32DefaultPolynomial) {
    // The library complements on the way in and out; our seed is the raw state.
    return crc32_gzip_refl(~seed, bytes, length);
  }
  if (length < kBitwiseLimit) return ~crc32kernels::bitwiseUpdate(seed, bytes, length, polynomial);
  if (crc32kernels::cpuHasCarrylessMultiply())
    return ~crc32kernels::foldingUpdate(seed, bytes, length, polynomial);
  return ~crc32kernels::slicingUpdate(seed, bytes, length, polynomial);
}

uint32_t crc32(std::span<const uint8_t> data) {
  return crc32WithSeed(data, kCRC32DefaultSeed, kCRC32DefaultPolynomial);
}

uint32_t crc32WithSeed(std::span<const uint8_t> data, uint32_t seed) {
  return crc32WithSeed(data, seed, kCRC32DefaultPolynomial);
}

uint32_t crc32UsingPolynomial(std::span<const uint8_t> data, uint32_t polynomial) {
  return crc32WithSeed(data, kCRC32DefaultSeed, polynomial);
}

}  // namespace qv
