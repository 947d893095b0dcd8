#include "qv/render/Mipmap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "qv/glu/GLSeam.h"
#include "qv/glu/GLUEnums.h"
#include "qv/render/MipmapInternal.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace qv {
#endif

// ---- packed pixels: bit 15 is the most significant bit of the native 16-bit value, never byte-swapped.

static uint16_t loadPacked(const void* p) {
  uint16_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

static void storePacked(void* pixels, int index, uint16_t v) {
  std::memcpy(static_cast<uint8_t*>(pixels) + size_t(index) * 2, &v, sizeof v);
}

static uint16_t packField(float c, float max, int shift) {
  return uint16_t(uint16_t(c * max + 0.5f) << shift);
}

void extract565(const void* packedPixel, float c[4]) {
  uint16_t v = loadPacked(packedPixel);
  c[0] = float((v >> 11) & 0x1f) / 31.0f;
  c[1] = float((v >> 5) & 0x3f) / 63.0f;
  c[2] = float(v & 0x1f) / 31.0f;
}

void shove565(const float c[4], int index, void* packedPixels) {
  uint16_t v = (packField(c[0], 31, 11) & 0xf800) | (packField(c[1], 63, 5) & 0x07e0) |
               (packField(c[2], 31, 0) & 0x001f);
  storePacked(packedPixels, index, v);
}

void extract4444(const void* packedPixel, float c[4]) {
  uint16_t v = loadPacked(packedPixel);
  c[0] = float((v >> 12) & 0xf) / 15.0f;
  c[1] = float((v >> 8) & 0xf) / 15.0f;
  c[2] = float((v >> 4) & 0xf) / 15.0f;
  c[3] = float(v & 0xf) / 15.0f;
}

void shove4444(const float c[4], int index, void* packedPixels) {
  uint16_t v = (packField(c[0], 15, 12) & 0xf000) | (packField(c[1], 15, 8) & 0x0f00) |
               (packField(c[2], 15, 4) & 0x00f0) | (packField(c[3], 15, 0) & 0x000f);
  storePacked(packedPixels, index, v);
}

void extract5551(const void* packedPixel, float c[4]) {
  uint16_t v = loadPacked(packedPixel);
  c[0] = float((v >> 11) & 0x1f) / 31.0f;
  c[1] = float((v >> 6) & 0x1f) / 31.0f;
  c[2] = float((v >> 1) & 0x1f) / 31.0f;
  c[3] = float(v & 0x1);
}

void shove5551(const float c[4], int index, void* packedPixels) {
  uint16_t v = (packField(c[0], 31, 11) & 0xf800) | (packField(c[1], 31, 6) & 0x07c0) |
               (packField(c[2], 31, 1) & 0x003e) | (packField(c[3], 1, 0) & 0x0001);
  storePacked(packedPixels, index, v);
}

// ---- format tables

int qvglFormatComponents(GLenum format) {
  switch (format) {
    case GL_ALPHA:
    case GL_LUMINANCE:
      return 1;
    case GL_LUMINANCE_ALPHA:
      return 2;
    case GL_RGB:
      return 3;
    case GL_RGBA:
      return 4;
    default:
      return 0;
  }
}

bool qvglLegalType(GLenum type) {
  return type == GL_UNSIGNED_BYTE || type == GL_UNSIGNED_SHORT_5_6_5 || type == GL_UNSIGNED_SHORT_4_4_4_4 ||
         type == GL_UNSIGNED_SHORT_5_5_5_1;
}

bool qvglLegalFormatForType(GLenum format, GLenum type) {
  if (type == GL_UNSIGNED_SHORT_5_6_5) return format == GL_RGB;
  if (type == GL_UNSIGNED_SHORT_4_4_4_4 || type == GL_UNSIGNED_SHORT_5_5_5_1) return format == GL_RGBA;
  return true;
}

int qvglBytesPerPixel(GLenum format, GLenum type) {
  return type == GL_UNSIGNED_BYTE ? qvglFormatComponents(format) : 2;
}

bool qvglImageBytes(int64_t width, int64_t height, GLenum format, GLenum type, size_t* bytes) {
  uint64_t n = 0;
  if (width < 0 || height < 0) return false;
  if (__builtin_mul_overflow(uint64_t(width), uint64_t(height), &n)) return false;
  if (__builtin_mul_overflow(n, uint64_t(qvglBytesPerPixel(format, type)), &n)) return false;
  if (n > uint64_t(std::numeric_limits<ptrdiff_t>::max())) return false;
  *bytes = size_t(n);
  return true;
}

ExtractPackedFn qvglExtractFor(GLenum type) {
  switch (type) {
    case GL_UNSIGNED_SHORT_5_6_5:
      return extract565;
    case GL_UNSIGNED_SHORT_4_4_4_4:
      return extract4444;
    case GL_UNSIGNED_SHORT_5_5_5_1:
      return extract5551;
    default:
      return nullptr;
  }
}

ShovePackedFn qvglShoveFor(GLenum type) {
  switch (type) {
    case GL_UNSIGNED_SHORT_5_6_5:
      return shove565;
    case GL_UNSIGNED_SHORT_4_4_4_4:
      return shove4444;
    case GL_UNSIGNED_SHORT_5_5_5_1:
      return shove5551;
    default:
      return nullptr;
  }
}

// ---- halving

// One output row of RGBA from two input rows: 4 output pixels per step with SSE2, scalar for the rest.
// Safe in place: each step writes 16 bytes behind the 32 it has just read.
static void halveRowRGBA(const uint8_t* r0, const uint8_t* r1, uint8_t* out, int newWidth) {
  int x = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i two = _mm_set1_epi16(2);
  for (; x + 4 <= newWidth; x += 4) {
    const uint8_t* a = r0 + size_t(x) * 8;
    const uint8_t* b = r1 + size_t(x) * 8;
    __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
    __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 16));
    __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
    __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 16));
    // Column sums of pixels 0-1, 2-3, 4-5, 6-7 in 16-bit lanes.
    __m128i s0 = _mm_add_epi16(_mm_unpacklo_epi8(a0, zero), _mm_unpacklo_epi8(b0, zero));
    __m128i s1 = _mm_add_epi16(_mm_unpackhi_epi8(a0, zero), _mm_unpackhi_epi8(b0, zero));
    __m128i s2 = _mm_add_epi16(_mm_unpacklo_epi8(a1, zero), _mm_unpacklo_epi8(b1, zero));
    __m128i s3 = _mm_add_epi16(_mm_unpackhi_epi8(a1, zero), _mm_unpackhi_epi8(b1, zero));
    __m128i h0 = _mm_add_epi16(_mm_unpacklo_epi64(s0, s1), _mm_unpackhi_epi64(s0, s1));
    __m128i h1 = _mm_add_epi16(_mm_unpacklo_epi64(s2, s3), _mm_unpackhi_epi64(s2, s3));
    h0 = _mm_srli_epi16(_mm_add_epi16(h0, two), 2);
    h1 = _mm_srli_epi16(_mm_add_epi16(h1, two), 2);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + size_t(x) * 4), _mm_packus_epi16(h0, h1));
  }
#endif
  for (; x < newWidth; ++x) {
    for (int k = 0; k < 4; ++k) {
      size_t i = size_t(x) * 8 + k;
      out[size_t(x) * 4 + k] = uint8_t((r0[i] + r0[i + 4] + r1[i] + r1[i + 4] + 2) >> 2);
    }
  }
}

void halveImage_ubyte(int components, int width, int height, const uint8_t* in, uint8_t* out) {
  const size_t c = size_t(components);
  if (width == 1 || height == 1) {
    // Pixels along the one long dimension are contiguous either way.
    size_t pairs = size_t(std::max(width, height)) / 2;
    if (pairs == 0) {
      if (out != in) std::memcpy(out, in, c);
      return;
    }
    for (size_t p = 0; p < pairs; ++p) {
      for (size_t k = 0; k < c; ++k)
        out[p * c + k] = uint8_t((in[2 * p * c + k] + in[(2 * p + 1) * c + k]) / 2);
    }
    return;
  }
  const int newWidth = width / 2, newHeight = height / 2;
  const size_t rowBytes = size_t(width) * c;
  for (int y = 0; y < newHeight; ++y) {
    const uint8_t* r0 = in + size_t(2 * y) * rowBytes;
    const uint8_t* r1 = r0 + rowBytes;
    uint8_t* o = out + size_t(y) * size_t(newWidth) * c;
    if (components == 4) {
      halveRowRGBA(r0, r1, o, newWidth);
      continue;
    }
    for (int x = 0; x < newWidth; ++x) {
      for (size_t k = 0; k < c; ++k) {
        size_t i = size_t(2 * x) * c + k;
        o[size_t(x) * c + k] = uint8_t((r0[i] + r0[i + c] + r1[i] + r1[i + c] + 2) >> 2);
      }
    }
  }
}

void halveImagePackedPixel(int components, ExtractPackedFn extract, ShovePackedFn shove, int width,
                           int height, const void* in, void* out) {
  const uint8_t* src = static_cast<const uint8_t*>(in);
  float a[4], b[4], c[4], d[4], total[4] = {0, 0, 0, 0};
  if (width == 1 || height == 1) {
    int pairs = std::max(width, height) / 2;
    if (pairs == 0) {
      if (out != in) std::memcpy(out, in, 2);
      return;
    }
    for (int p = 0; p < pairs; ++p) {
      extract(src + size_t(4) * p, a);
      extract(src + size_t(4) * p + 2, b);
      for (int k = 0; k < components; ++k) total[k] = (a[k] + b[k]) / 2.0f;
      shove(total, p, out);
    }
    return;
  }
  const int newWidth = width / 2, newHeight = height / 2;
  const size_t rowBytes = size_t(width) * 2;
  for (int y = 0; y < newHeight; ++y) {
    const uint8_t* r0 = src + size_t(2 * y) * rowBytes;
    const uint8_t* r1 = r0 + rowBytes;
    for (int x = 0; x < newWidth; ++x) {
      extract(r0 + size_t(4) * x, a);
      extract(r0 + size_t(4) * x + 2, b);
      extract(r1 + size_t(4) * x, c);
      extract(r1 + size_t(4) * x + 2, d);
      for (int k = 0; k < components; ++k) total[k] = (a[k] + b[k] + c[k] + d[k]) / 4.0f;
      shove(total, y * newWidth + x, out);
    }
  }
}

// ---- building

namespace {

// log2 of a power of two, -1 for anything else.
int computeLog(int64_t value) {
  if (value <= 0 || (value & (value - 1)) != 0) return -1;
  int log = 0;
  while (value > 1) {
    value >>= 1;
    ++log;
  }
  return log;
}

// The power of two an image dimension is scaled to: halve while doubling, except that 3 goes to 4.
int64_t nearestPower(int64_t value) {
  int64_t p = 1;
  while (value > 1) {
    if (value == 3) return p * 4;
    value >>= 1;
    p *= 2;
  }
  return p;
}

GLint checkMipmapArgs(GLenum format, GLenum type) {
  if (qvglFormatComponents(format) == 0 || !qvglLegalType(type)) return GLU_INVALID_ENUM;
  if (!qvglLegalFormatForType(format, type)) return GLU_INVALID_OPERATION;
  return 0;
}

// A heap buffer freed on every way out of the builder.
struct WorkBuffer {
  uint8_t* data = nullptr;
  ~WorkBuffer() { std::free(data); }
  bool allocate(size_t bytes) {
    data = static_cast<uint8_t*>(std::malloc(std::max<size_t>(bytes, 1)));
    return data != nullptr;
  }
};

}  // namespace

GLint qvglBuild2DMipmapLevelsCore(GLenum target, GLint internalFormat, GLsizei width, GLsizei height,
                                  GLsizei widthPowerOf2, GLsizei heightPowerOf2, GLenum format, GLenum type,
                                  GLint userLevel, GLint baseLevel, GLint maxLevel, const void* data) {
  // Every level, the first one included, is tightly packed; the alignment is left at 1 on every return.
  glseam::PixelStorei(GL_UNPACK_ALIGNMENT, 1);

  const int components = qvglFormatComponents(format);
  const ExtractPackedFn extract = qvglExtractFor(type);
  const ShovePackedFn shove = qvglShoveFor(type);
  const int64_t levels = int64_t(std::max(computeLog(widthPowerOf2), computeLog(heightPowerOf2))) + userLevel;
  // Levels past maxLevel would never be uploaded, so they are not computed.
  const int64_t lastLevel = std::min<int64_t>(levels, maxLevel);

  auto upload = [&](int64_t level, int w, int h, const void* pixels) {
    if (baseLevel <= level && level <= maxLevel) {
      glseam::TexImage2D(target, GLint(level), internalFormat, w, h, 0, format, type, pixels);
    }
  };

  const uint8_t* src = static_cast<const uint8_t*>(data);
  int w = width, h = height;
  int64_t level = userLevel;
  WorkBuffer buffer;

  if (width != widthPowerOf2 || height != heightPowerOf2) {
    size_t bytes = 0;
    if (!qvglImageBytes(widthPowerOf2, heightPowerOf2, format, type, &bytes) || !buffer.allocate(bytes)) {
      return GLU_OUT_OF_MEMORY;
    }
    bool scaled = extract ? scaleInternalPackedPixel(components, extract, shove, width, height, src,
                                                     widthPowerOf2, heightPowerOf2, buffer.data)
                          : scaleInternal_ubyte(components, width, height, src, widthPowerOf2, heightPowerOf2,
                                                buffer.data);
    if (!scaled) return GLU_OUT_OF_MEMORY;
    src = buffer.data;
    w = widthPowerOf2;
    h = heightPowerOf2;
  }
  upload(level, w, h, src);

  for (++level; level <= lastLevel; ++level) {
    int nw = std::max(1, w / 2), nh = std::max(1, h / 2);
    if (!buffer.data) {
      // The first halving of the caller's image; later ones work in place in this buffer.
      size_t bytes = 0;
      if (!qvglImageBytes(nw, nh, format, type, &bytes) || !buffer.allocate(bytes)) return GLU_OUT_OF_MEMORY;
    }
    if (extract) {
      halveImagePackedPixel(components, extract, shove, w, h, src, buffer.data);
    } else {
      halveImage_ubyte(components, w, h, src, buffer.data);
    }
    src = buffer.data;
    w = nw;
    h = nh;
    upload(level, w, h, src);
  }
  return 0;
}

extern "C" GLint qvglBuild2DMipmapLevels(GLenum target, GLint internalFormat, GLsizei width, GLsizei height,
                                         GLenum format, GLenum type, GLint userLevel, GLint baseLevel,
                                         GLint maxLevel, const void* data) {
  if (GLint rc = checkMipmapArgs(format, type)) return rc;
  if (width < 1 || height < 1) return GLU_INVALID_VALUE;
  const int64_t levels = int64_t(std::max(computeLog(width), computeLog(height))) + userLevel;
  if (baseLevel < 0 || baseLevel < userLevel || maxLevel < baseLevel || maxLevel > levels) {
    return GLU_INVALID_VALUE;
  }
  size_t bytes = 0;
  if (!qvglImageBytes(width, height, format, type, &bytes) || !data) return GLU_INVALID_VALUE;
  return qvglBuild2DMipmapLevelsCore(target, internalFormat, width, height, width, height, format, type,
                                     userLevel, baseLevel, maxLevel, data);
}

extern "C" GLint qvglBuild2DMipmaps(GLenum target, GLint internalFormat, GLsizei width, GLsizei height,
                                    GLenum format, GLenum type, const void* data) {
  if (GLint rc = checkMipmapArgs(format, type)) return rc;
  if (width < 1 || height < 1) return GLU_INVALID_VALUE;
  size_t bytes = 0;
  if (!qvglImageBytes(width, height, format, type, &bytes) || !data) return GLU_INVALID_VALUE;

  // The largest power of two the device takes; without an answer, the largest a GLsizei holds.
  GLint maxTextureSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
  int64_t limit = int64_t(1) << 30;
  if (maxTextureSize > 0) {
    while (limit > maxTextureSize) limit >>= 1;
  }
  const int64_t widthPowerOf2 = std::min(nearestPower(width), limit);
  const int64_t heightPowerOf2 = std::min(nearestPower(height), limit);
  const int levels = std::max(computeLog(widthPowerOf2), computeLog(heightPowerOf2));
  return qvglBuild2DMipmapLevelsCore(target, internalFormat, width, height, GLsizei(widthPowerOf2),
                                     GLsizei(heightPowerOf2), format, type, 0, 0, levels, data);
}

}  // namespace qv
