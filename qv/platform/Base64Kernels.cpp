#include "qv/platform/Base64Kernels.h"

#include <array>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

namespace qv {
#define QV_BASE64_X86 1
#endif

namespace base64kernels {
namespace {

constexpr char kBase64EncodeTable[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Decoder classes above the 6-bit values. NUL is not among them: it decodes as 0.
constexpr uint8_t kSkip = 0xFD;  // white space, bytes outside the alphabet, bytes from 0x80 up
constexpr uint8_t kStop = 0xFF;  // "="

constexpr std::array<uint8_t, 256> makeDecodeTable() {
  std::array<uint8_t, 256> table{};
  for (auto& entry : table) entry = kSkip;
  for (uint8_t v = 0; v < 64; ++v) table[uint8_t(kBase64EncodeTable[v])] = v;
  table[0] = 0;
  table['='] = kStop;
  return table;
}
constexpr std::array<uint8_t, 256> kBase64DecodeTable = makeDecodeTable();

// Two output characters for every 12-bit value: one lookup per half of a 3-byte group.
constexpr std::array<char, 8192> makePairTable() {
  std::array<char, 8192> table{};
  for (int v = 0; v < 4096; ++v) {
    table[2 * v] = kBase64EncodeTable[v >> 6];
    table[2 * v + 1] = kBase64EncodeTable[v & 63];
  }
  return table;
}
constexpr std::array<char, 8192> kPairTable = makePairTable();

// Whole groups and the padded tail; shared by both versions for what the vector loop leaves.
size_t encodeTail(const uint8_t* in, size_t length, char* out) {
  char* start = out;
  size_t i = 0;
  for (; length - i >= 3; i += 3, out += 4) {
    const uint32_t group = uint32_t(in[i]) << 16 | uint32_t(in[i + 1]) << 8 | in[i + 2];
    std::memcpy(out, &kPairTable[2 * (group >> 12)], 2);
    std::memcpy(out + 2, &kPairTable[2 * (group & 0xFFF)], 2);
  }
  if (length - i == 1) {
    const uint8_t b0 = in[i];
    *out++ = kBase64EncodeTable[b0 >> 2];
    *out++ = kBase64EncodeTable[(b0 & 3) << 4];
    *out++ = '=';
    *out++ = '=';
  } else if (length - i == 2) {
    const uint8_t b0 = in[i], b1 = in[i + 1];
    *out++ = kBase64EncodeTable[b0 >> 2];
    *out++ = kBase64EncodeTable[((b0 & 3) << 4) | (b1 >> 4)];
    *out++ = kBase64EncodeTable[(b1 & 15) << 2];
    *out++ = '=';
  }
  return size_t(out - start);
}

// Decodes what the vector loop leaves, one group of four characters at a time while they are all
// alphabet characters, and one character at a time through skips, "=" and the end.
template <typename BlockLoop>
size_t decodeWith(const uint8_t* in, size_t length, uint8_t* out, BlockLoop blockLoop) {
  size_t i = 0;
  size_t o = 0;
  unsigned count = 0;  // characters of the current group seen so far
  uint32_t bits = 0;   // their 6-bit values, latest lowest
  while (i < length) {
    if (count == 0) {
      blockLoop(in, length, i, out, o);
      for (; length - i >= 4; i += 4, o += 3) {
        const uint8_t v0 = kBase64DecodeTable[in[i]], v1 = kBase64DecodeTable[in[i + 1]],
                      v2 = kBase64DecodeTable[in[i + 2]], v3 = kBase64DecodeTable[in[i + 3]];
        if ((v0 | v1 | v2 | v3) & 0xC0) break;
        const uint32_t group = uint32_t(v0) << 18 | uint32_t(v1) << 12 | uint32_t(v2) << 6 | v3;
        out[o] = uint8_t(group >> 16);
        out[o + 1] = uint8_t(group >> 8);
        out[o + 2] = uint8_t(group);
      }
      if (i == length) break;
    }
    const uint8_t v = kBase64DecodeTable[in[i++]];
    if (v == kStop) break;
    if (v == kSkip) continue;
    bits = bits << 6 | v;
    ++count;
    // The second, third and fourth character each complete one byte.
    if (count >= 2) out[o++] = uint8_t(bits >> (2 * (4 - count)));
    if (count == 4) count = 0, bits = 0;
  }
  return o;
}

#ifdef QV_BASE64_X86

// 24 input bytes (read: 28) to 32 characters. Each 32-bit lane gets the bytes b1 b0 b2 b1 of one group,
// from which two multiplies move the four 6-bit fields into the four bytes; a 16-entry table then adds
// the offset of the field's alphabet range.
__attribute__((target("avx2"))) inline void encodeBlockAVX2(const uint8_t* in, char* out) {
  const __m256i spread = _mm256_setr_epi8(1, 0, 2, 1, 4, 3, 5, 4, 7, 6, 8, 7, 10, 9, 11, 10,  //
                                          1, 0, 2, 1, 4, 3, 5, 4, 7, 6, 8, 7, 10, 9, 11, 10);
  const __m256i offsets =
      _mm256_setr_epi8('a' - 26, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52,
                       '0' - 52, '0' - 52, '0' - 52, '+' - 62, '/' - 63, 'A', 0, 0,  //
                       'a' - 26, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52,
                       '0' - 52, '0' - 52, '0' - 52, '+' - 62, '/' - 63, 'A', 0, 0);
  const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
  const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 12));
  const __m256i bytes =
      _mm256_shuffle_epi8(_mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1), spread);
  const __m256i ac = _mm256_mulhi_epu16(_mm256_and_si256(bytes, _mm256_set1_epi32(0x0FC0FC00)),
                                        _mm256_set1_epi32(0x04000040));
  const __m256i bd = _mm256_mullo_epi16(_mm256_and_si256(bytes, _mm256_set1_epi32(0x003F03F0)),
                                        _mm256_set1_epi32(0x01000010));
  const __m256i fields = _mm256_or_si256(ac, bd);
  // Range index: 0 for 26..51, 1..10 for digits, 11 "+", 12 "/", 13 for 0..25.
  __m256i range = _mm256_subs_epu8(fields, _mm256_set1_epi8(51));
  range = _mm256_or_si256(
      range, _mm256_and_si256(_mm256_cmpgt_epi8(_mm256_set1_epi8(26), fields), _mm256_set1_epi8(13)));
  const __m256i text = _mm256_add_epi8(fields, _mm256_shuffle_epi8(offsets, range));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), text);
}

__attribute__((target("avx2"))) size_t encodeBlocksAVX2(const uint8_t* in, size_t length, char* out) {
  size_t i = 0;
  for (; length - i >= 28; i += 24, out += 32) encodeBlockAVX2(in + i, out);
  return i;
}

// A 54-byte line is three blocks: at 0, 24 and 30 (the last overlaps the second by 24 characters of the
// same value), so the 72 characters need no scalar tail. Loads reach 58 bytes past the line's start.
__attribute__((target("avx2"))) size_t encodeLinesBlocksAVX2(const uint8_t* in, size_t length, char* out) {
  size_t i = 0;
  for (; length - i >= 58; i += 54, out += 74) {
    encodeBlockAVX2(in + i, out);
    encodeBlockAVX2(in + i + 24, out + 32);
    encodeBlockAVX2(in + i + 30, out + 40);
    out[72] = '\r';
    out[73] = '\n';
  }
  return i;
}

// 32 characters to 24 bytes while all 32 are alphabet characters. A character is valid when the bit sets
// chosen by its low and high nibble do not meet. Stops early enough that the two 16-byte stores stay
// inside the decoded-size estimate: at input position i the output is at most 3i/4.
__attribute__((target("avx2"))) void decodeBlocksAVX2(const uint8_t* in, size_t length, size_t& i,
                                                      uint8_t* out, size_t& o) {
  const __m256i lowClass = _mm256_setr_epi8(
      0x15, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x13, 0x1A, 0x1B, 0x1B, 0x1B, 0x1A,  //
      0x15, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x13, 0x1A, 0x1B, 0x1B, 0x1B, 0x1A);
  const __m256i highClass = _mm256_setr_epi8(
      0x10, 0x10, 0x01, 0x02, 0x04, 0x08, 0x04, 0x08, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10,  //
      0x10, 0x10, 0x01, 0x02, 0x04, 0x08, 0x04, 0x08, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10);
  // Offset from character to value by high nibble; "/" (0x2F) borrows slot 1.
  const __m256i shift = _mm256_setr_epi8(0, 16, 19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0,  //
                                         0, 16, 19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0);
  const __m256i nibble = _mm256_set1_epi8(0x0F);
  const __m256i gather = _mm256_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1,  //
                                          2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
  while (length - i >= 40) {
    const __m256i text = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i));
    const __m256i high = _mm256_and_si256(_mm256_srli_epi16(text, 4), nibble);
    const __m256i low = _mm256_and_si256(text, nibble);
    if (!_mm256_testz_si256(_mm256_shuffle_epi8(lowClass, low), _mm256_shuffle_epi8(highClass, high))) return;
    const __m256i slash = _mm256_cmpeq_epi8(text, _mm256_set1_epi8('/'));
    const __m256i values = _mm256_add_epi8(text, _mm256_shuffle_epi8(shift, _mm256_add_epi8(high, slash)));
    // Pairs of 6-bit values to 12 bits, pairs of those to 24 bits, then the three bytes in order.
    const __m256i pairs = _mm256_maddubs_epi16(values, _mm256_set1_epi32(0x01400140));
    const __m256i groups = _mm256_madd_epi16(pairs, _mm256_set1_epi32(0x00011000));
    const __m256i bytes = _mm256_shuffle_epi8(groups, gather);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + o), _mm256_castsi256_si128(bytes));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + o + 12), _mm256_extracti128_si256(bytes, 1));
    i += 32;
    o += 24;
  }
}

#endif

}  // namespace

bool cpuHasAVX2() {
#ifdef QV_BASE64_X86
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}

size_t encodePortable(const uint8_t* in, size_t length, char* out) {
  return encodeTail(in, length, out);
}

size_t encodeAVX2(const uint8_t* in, size_t length, char* out) {
#ifdef QV_BASE64_X86
  const size_t done = encodeBlocksAVX2(in, length, out);
  return done / 3 * 4 + encodeTail(in + done, length - done, out + done / 3 * 4);
#else
  return encodeTail(in, length, out);
#endif
}

size_t encodeLinesAVX2(const uint8_t* in, size_t length, char* out) {
#ifdef QV_BASE64_X86
  return encodeLinesBlocksAVX2(in, length, out);
#else
  (void)in, (void)length, (void)out;
  return 0;
#endif
}

size_t decodePortable(const uint8_t* in, size_t length, uint8_t* out) {
  return decodeWith(in, length, out, [](const uint8_t*, size_t, size_t&, uint8_t*, size_t&) {});
}

size_t decodeAVX2(const uint8_t* in, size_t length, uint8_t* out) {
#ifdef QV_BASE64_X86
  return decodeWith(in, length, out, decodeBlocksAVX2);
#else
  return decodePortable(in, length, out);
#endif
}

}  // namespace base64kernels

}  // namespace qv
