// Box-filter scaling. Both filters here are separable: the weight of input pixel (x, y) in output pixel
// (j, i) is wx(j, x) * wy(i, y), so each input row is filtered horizontally once and each output row is a
// weighted sum of a few of those rows. This gives the same sums as visiting every input pixel of every
// output box, up to float rounding, at a fraction of the cost.
#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "qv/glu/GLUEnums.h"
#include "qv/render/Mipmap.h"
#include "qv/render/MipmapInternal.h"

namespace qv {

namespace {

// Along one axis, output o takes weight[t] of input index[t] for t in [first[o], first[o + 1]).
struct AxisTaps {
  std::vector<size_t> first;
  std::vector<int32_t> index;
  std::vector<float> weight, sum;

  void begin(int outputs) {
    first.reserve(size_t(outputs) + 1);
    sum.reserve(size_t(outputs));
  }
  void open() { first.push_back(index.size()); }
  void add(int64_t i, float w) {
    index.push_back(int32_t(i));
    weight.push_back(w);
  }
  void close() {
    float s = 0;
    for (size_t t = first.back(); t < index.size(); ++t) s += weight[t];
    sum.push_back(s);
  }
  void end() { first.push_back(index.size()); }
};

// Mipmap scaling: output o covers exactly [o * in / out, (o + 1) * in / out) of the input, so no input
// pixel outside the image is ever read and the edges are not blended with the opposite side.
AxisTaps areaTaps(int in, int out) {
  AxisTaps taps;
  taps.begin(out);
  for (int64_t o = 0; o < out; ++o) {
    taps.open();
    const int64_t a = o * in, b = (o + 1) * in;
    const int64_t low = a / out, high = b / out;
    const double lowFrac = double(a % out) / out, highFrac = double(b % out) / out;
    if (low == high) {
      taps.add(low, float(highFrac - lowFrac));
    } else {
      taps.add(low, float(1.0 - lowFrac));
      for (int64_t l = low + 1; l < high; ++l) taps.add(l, 1.0f);
      if (highFrac > 0) taps.add(high, float(highFrac));
    }
    taps.close();
  }
  taps.end();
  return taps;
}

// Image scaling: output o is centred on conv * (o + 0.5); it spans conv input pixels when shrinking and
// one when enlarging, and that span wraps round the opposite edge, as the standard's filter does.
AxisTaps centredTaps(int in, int out) {
  AxisTaps taps;
  taps.begin(out);
  const float conv = float(in) / float(out);
  const float half = conv / 2;
  for (int64_t o = 0; o < out; ++o) {
    taps.open();
    const float centre = float(double(conv) * (double(o) + 0.5));
    const float low = in > out ? centre - half : centre - 0.5f;
    const float high = in > out ? centre + half : centre + 0.5f;
    float x = low;
    int64_t xint = int64_t(std::floor(x));
    while (x < high) {
      const float part = high < float(xint + 1) ? high - x : float(xint + 1) - x;
      taps.add(((xint % in) + in) % in, part);
      ++xint;
      x = float(xint);
    }
    taps.close();
  }
  taps.end();
  return taps;
}

// ---- row kernels: SSE2 where the compiler targets it, plain loops otherwise (same float operations, so
// the same results).

void bytesToFloats(const uint8_t* in, float* out, size_t n) {
  size_t e = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; e + 16 <= n; e += 16) {
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + e));
    __m128i lo = _mm_unpacklo_epi8(b, zero), hi = _mm_unpackhi_epi8(b, zero);
    _mm_storeu_ps(out + e, _mm_cvtepi32_ps(_mm_unpacklo_epi16(lo, zero)));
    _mm_storeu_ps(out + e + 4, _mm_cvtepi32_ps(_mm_unpackhi_epi16(lo, zero)));
    _mm_storeu_ps(out + e + 8, _mm_cvtepi32_ps(_mm_unpacklo_epi16(hi, zero)));
    _mm_storeu_ps(out + e + 12, _mm_cvtepi32_ps(_mm_unpackhi_epi16(hi, zero)));
  }
#endif
  for (; e < n; ++e) out[e] = float(in[e]);
}

// dst = wa * a (+ wb * b when b is given).
void weightedRows(float* dst, const float* a, float wa, const float* b, float wb, size_t n) {
  size_t e = 0;
#if defined(__SSE2__)
  const __m128 va = _mm_set1_ps(wa), vb = _mm_set1_ps(wb);
  for (; e + 4 <= n; e += 4) {
    __m128 v = _mm_mul_ps(va, _mm_loadu_ps(a + e));
    if (b) v = _mm_add_ps(v, _mm_mul_ps(vb, _mm_loadu_ps(b + e)));
    _mm_storeu_ps(dst + e, v);
  }
#endif
  for (; e < n; ++e) dst[e] = b ? wa * a[e] + wb * b[e] : wa * a[e];
}

// dst += w * a.
void addWeightedRow(float* dst, const float* a, float w, size_t n) {
  size_t e = 0;
#if defined(__SSE2__)
  const __m128 vw = _mm_set1_ps(w);
  for (; e + 4 <= n; e += 4) {
    _mm_storeu_ps(dst + e, _mm_add_ps(_mm_loadu_ps(dst + e), _mm_mul_ps(vw, _mm_loadu_ps(a + e))));
  }
#endif
  for (; e < n; ++e) dst[e] += w * a[e];
}

// Truncation as the standard's filters do; the small bias keeps float error from turning an exact
// integer average (a flat area) into the value below it.
constexpr float kTruncationGuard = 1.0f / 1024;

// Bytes of an area average: trunc(min(255, sum / (areaX * areaY) + guard)).
void storeAreaBytes(uint8_t* out, const float* sums, const float* areaX, float areaY, size_t n) {
  size_t e = 0;
#if defined(__SSE2__)
  const __m128 ay = _mm_set1_ps(areaY), guard = _mm_set1_ps(kTruncationGuard), top = _mm_set1_ps(255.0f);
  for (; e + 16 <= n; e += 16) {
    __m128i q[4];
    for (int m = 0; m < 4; ++m) {
      __m128 area = _mm_mul_ps(_mm_loadu_ps(areaX + e + 4 * m), ay);
      __m128 v = _mm_add_ps(_mm_div_ps(_mm_loadu_ps(sums + e + 4 * m), area), guard);
      q[m] = _mm_cvttps_epi32(_mm_min_ps(v, top));
    }
    __m128i packed = _mm_packus_epi16(_mm_packs_epi32(q[0], q[1]), _mm_packs_epi32(q[2], q[3]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + e), packed);
  }
#endif
  for (; e < n; ++e) out[e] = uint8_t(std::min(255.0f, sums[e] / (areaX[e] * areaY) + kTruncationGuard));
}

// Bytes through 16 bits: trunc(min(65535, (sum * 257 + 0.5) / (areaX * areaY))) >> 8.
void storeBytesVia16(uint8_t* out, const float* sums, const float* areaX, float areaY, size_t n) {
  size_t e = 0;
#if defined(__SSE2__)
  const __m128 ay = _mm_set1_ps(areaY), k257 = _mm_set1_ps(257.0f), half = _mm_set1_ps(0.5f),
               top = _mm_set1_ps(65535.0f);
  for (; e + 16 <= n; e += 16) {
    __m128i q[4];
    for (int m = 0; m < 4; ++m) {
      __m128 area = _mm_mul_ps(_mm_loadu_ps(areaX + e + 4 * m), ay);
      __m128 v = _mm_div_ps(_mm_add_ps(_mm_mul_ps(_mm_loadu_ps(sums + e + 4 * m), k257), half), area);
      q[m] = _mm_srli_epi32(_mm_cvttps_epi32(_mm_min_ps(v, top)), 8);
    }
    __m128i packed = _mm_packus_epi16(_mm_packs_epi32(q[0], q[1]), _mm_packs_epi32(q[2], q[3]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + e), packed);
  }
#endif
  for (; e < n; ++e) {
    out[e] = uint8_t(uint32_t(std::min(65535.0f, (sums[e] * 257.0f + 0.5f) / (areaX[e] * areaY))) >> 8);
  }
}

// Horizontal pass over one row of C-component pixels (as floats) into widthOut * C sums.
template <int C>
void filterRow(const AxisTaps& tx, const float* row, float* dst) {
  const int widthOut = int(tx.sum.size());
  const size_t* first = tx.first.data();
  const int32_t* index = tx.index.data();
  const float* weight = tx.weight.data();
#if defined(__SSE2__)
  if constexpr (C == 4) {
    for (int j = 0; j < widthOut; ++j) {
      __m128 sum = _mm_setzero_ps();
      for (size_t t = first[j]; t < first[j + 1]; ++t) {
        sum = _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(weight[t]), _mm_loadu_ps(row + size_t(index[t]) * 4)));
      }
      _mm_storeu_ps(dst + size_t(j) * 4, sum);
    }
    return;
  }
#endif
  for (int j = 0; j < widthOut; ++j) {
    float sums[C] = {};
    for (size_t t = first[j]; t < first[j + 1]; ++t) {
      const float* p = row + size_t(index[t]) * C;
      for (int k = 0; k < C; ++k) sums[k] += weight[t] * p[k];
    }
    for (int k = 0; k < C; ++k) dst[size_t(j) * C + k] = sums[k];
  }
}

// The separable filter. Each input row that an output row needs is filtered horizontally once into a float
// row of widthOut * C sums, kept in a two-row cache since neighbouring output rows share input rows
// (inputRow(y, dst) fills it); output row i is the weighted sum of its input rows, handed to
// storeRow(i, sums, rowWeight).
template <int C, class InputRow, class StoreRow>
void runFilter(const AxisTaps& tx, const AxisTaps& ty, InputRow&& inputRow, StoreRow&& storeRow) {
  const size_t n = tx.sum.size() * C;
  const int heightOut = int(ty.sum.size());
  std::vector<float> acc(n), cache(2 * n);
  int32_t cached[2] = {-1, -1};
  auto rowOf = [&](int32_t y) {
    float* row = cache.data() + size_t(y & 1) * n;
    if (cached[y & 1] != y) {
      inputRow(y, row);
      cached[y & 1] = y;
    }
    return row;
  };
  for (int i = 0; i < heightOut; ++i) {
    size_t t = ty.first[i];
    const size_t end = ty.first[i + 1];
    const float* r0 = rowOf(ty.index[t]);
    if (end - t >= 2 && ((ty.index[t] ^ ty.index[t + 1]) & 1)) {
      // Both rows fit in the cache at once (the usual case when enlarging).
      const float* r1 = rowOf(ty.index[t + 1]);
      weightedRows(acc.data(), r0, ty.weight[t], r1, ty.weight[t + 1], n);
      t += 2;
    } else {
      weightedRows(acc.data(), r0, ty.weight[t], nullptr, 0, n);
      t += 1;
    }
    for (; t < end; ++t) addWeightedRow(acc.data(), rowOf(ty.index[t]), ty.weight[t], n);
    storeRow(i, acc.data(), ty.sum[i]);
  }
}

// The horizontal weight of each output value, per component.
template <int C>
std::vector<float> columnWeights(const AxisTaps& tx) {
  std::vector<float> w(tx.sum.size() * C);
  for (size_t j = 0; j < tx.sum.size(); ++j) {
    for (int k = 0; k < C; ++k) w[j * C + k] = tx.sum[j];
  }
  return w;
}

template <class Fn>
void withComponents(int components, Fn&& fn) {
  switch (components) {
    case 1:
      fn.template operator()<1>();
      break;
    case 2:
      fn.template operator()<2>();
      break;
    case 3:
      fn.template operator()<3>();
      break;
    default:
      fn.template operator()<4>();
      break;
  }
}

}  // namespace

bool scaleInternal_ubyte(int components, int widthIn, int heightIn, const uint8_t* in, int widthOut,
                         int heightOut, uint8_t* out) {
  if (widthIn == widthOut * 2 && heightIn == heightOut * 2) {
    halveImage_ubyte(components, widthIn, heightIn, in, out);
    return true;
  }
  try {
    const AxisTaps tx = areaTaps(widthIn, widthOut), ty = areaTaps(heightIn, heightOut);
    const size_t rowBytes = size_t(widthIn) * components;
    std::vector<float> row(rowBytes);
    withComponents(components, [&]<int C>() {
      const std::vector<float> areaX = columnWeights<C>(tx);
      runFilter<C>(
          tx, ty,
          [&](int y, float* dst) {
            bytesToFloats(in + size_t(y) * rowBytes, row.data(), rowBytes);
            filterRow<C>(tx, row.data(), dst);
          },
          [&](int i, const float* sums, float areaY) {
            storeAreaBytes(out + size_t(i) * widthOut * C, sums, areaX.data(), areaY, areaX.size());
          });
    });
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool scaleInternalPackedPixel(int components, ExtractPackedFn extract, ShovePackedFn shove, int widthIn,
                              int heightIn, const void* in, int widthOut, int heightOut, void* out) {
  if (widthIn == widthOut * 2 && heightIn == heightOut * 2) {
    halveImagePackedPixel(components, extract, shove, widthIn, heightIn, in, out);
    return true;
  }
  const uint8_t* src = static_cast<const uint8_t*>(in);
  try {
    const AxisTaps tx = areaTaps(widthIn, widthOut), ty = areaTaps(heightIn, heightOut);
    withComponents(components, [&]<int C>() {
      std::vector<float> row(size_t(widthIn) * C);
      runFilter<C>(
          tx, ty,
          [&](int y, float* dst) {
            const uint8_t* packed = src + size_t(y) * widthIn * 2;
            float c[4];
            for (int x = 0; x < widthIn; ++x) {
              extract(packed + size_t(x) * 2, c);
              for (int k = 0; k < C; ++k) row[size_t(x) * C + k] = c[k];
            }
            filterRow<C>(tx, row.data(), dst);
          },
          [&](int i, const float* sums, float areaY) {
            for (int j = 0; j < widthOut; ++j) {
              float c[4] = {0, 0, 0, 0};
              const float area = tx.sum[j] * areaY;
              for (int k = 0; k < C; ++k) c[k] = std::clamp(sums[size_t(j) * C + k] / area, 0.0f, 1.0f);
              shove(c, i * widthOut + j, out);
            }
          });
    });
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

// ---- qvglScaleImage: every component goes through 16 bits (a byte b is b * 257, a packed field f is
// trunc(f * 65535)), is filtered there, and comes back as typeOut (a byte is the high 8 bits).

namespace {

struct Pixel16 {
  uint16_t c[4];
};

Pixel16 decode16(GLenum type, int components, const uint8_t* pixel) {
  Pixel16 p{};
  if (type == GL_UNSIGNED_BYTE) {
    for (int k = 0; k < components; ++k) p.c[k] = uint16_t(pixel[k] * 257);
  } else {
    float f[4];
    qvglExtractFor(type)(pixel, f);
    for (int k = 0; k < components; ++k) p.c[k] = uint16_t(f[k] * 65535);
  }
  return p;
}

void encode16(GLenum type, int components, const uint32_t* values, int index, uint8_t* out) {
  if (type == GL_UNSIGNED_BYTE) {
    for (int k = 0; k < components; ++k) out[size_t(index) * components + k] = uint8_t(values[k] >> 8);
  } else {
    float f[4] = {0, 0, 0, 0};
    for (int k = 0; k < components; ++k) f[k] = float(values[k]) / 65535.0f;
    qvglShoveFor(type)(f, index, out);
  }
}

// Exactly half the size in both dimensions: (a + b + c + d + 2) / 4 in 16 bits.
void halve16(GLenum format, int widthIn, int heightIn, GLenum typeIn, const uint8_t* in, GLenum typeOut,
             uint8_t* out) {
  const int components = qvglFormatComponents(format);
  const int widthOut = widthIn / 2, heightOut = heightIn / 2;
  const size_t inPixel = size_t(qvglBytesPerPixel(format, typeIn));
  auto at = [&](int x, int y) {
    return decode16(typeIn, components, in + (size_t(y) * widthIn + x) * inPixel);
  };
  for (int i = 0; i < heightOut; ++i) {
    for (int j = 0; j < widthOut; ++j) {
      Pixel16 a = at(2 * j, 2 * i), b = at(2 * j + 1, 2 * i), c = at(2 * j, 2 * i + 1),
              d = at(2 * j + 1, 2 * i + 1);
      uint32_t v[4] = {0, 0, 0, 0};
      for (int k = 0; k < components; ++k) v[k] = (uint32_t(a.c[k]) + b.c[k] + c.c[k] + d.c[k] + 2) / 4;
      encode16(typeOut, components, v, i * widthOut + j, out);
    }
  }
}

}  // namespace

extern "C" GLint qvglScaleImage(GLenum format, GLint widthIn, GLint heightIn, GLenum typeIn,
                                const void* dataIn, GLint widthOut, GLint heightOut, GLenum typeOut,
                                void* dataOut) {
  if (widthIn == 0 || heightIn == 0 || widthOut == 0 || heightOut == 0) return 0;
  if (widthIn < 0 || heightIn < 0 || widthOut < 0 || heightOut < 0) return GLU_INVALID_VALUE;
  const int components = qvglFormatComponents(format);
  if (components == 0 || !qvglLegalType(typeIn) || !qvglLegalType(typeOut)) return GLU_INVALID_ENUM;
  if (!qvglLegalFormatForType(format, typeIn) || !qvglLegalFormatForType(format, typeOut)) {
    return GLU_INVALID_OPERATION;
  }
  size_t bytesIn = 0, bytesOut = 0;
  if (!qvglImageBytes(widthIn, heightIn, format, typeIn, &bytesIn) ||
      !qvglImageBytes(widthOut, heightOut, format, typeOut, &bytesOut) || !dataIn || !dataOut) {
    return GLU_INVALID_VALUE;
  }

  const uint8_t* in = static_cast<const uint8_t*>(dataIn);
  uint8_t* out = static_cast<uint8_t*>(dataOut);
  if (widthIn == widthOut * 2 && heightIn == heightOut * 2) {
    halve16(format, widthIn, heightIn, typeIn, in, typeOut, out);
    return 0;
  }
  try {
    const AxisTaps tx = centredTaps(widthIn, widthOut), ty = centredTaps(heightIn, heightOut);
    const size_t inPixel = size_t(qvglBytesPerPixel(format, typeIn));
    const size_t rowBytes = size_t(widthIn) * inPixel;
    withComponents(components, [&]<int C>() {
      const std::vector<float> areaX = columnWeights<C>(tx);
      std::vector<float> row(size_t(widthIn) * C);
      if (typeIn == GL_UNSIGNED_BYTE && typeOut == GL_UNSIGNED_BYTE) {
        // Bytes are filtered as they are and scaled to 16 bits once per output value.
        runFilter<C>(
            tx, ty,
            [&](int y, float* dst) {
              bytesToFloats(in + size_t(y) * rowBytes, row.data(), row.size());
              filterRow<C>(tx, row.data(), dst);
            },
            [&](int i, const float* sums, float areaY) {
              storeBytesVia16(out + size_t(i) * widthOut * C, sums, areaX.data(), areaY, areaX.size());
            });
        return;
      }
      runFilter<C>(
          tx, ty,
          [&](int y, float* dst) {
            const uint8_t* pixels = in + size_t(y) * rowBytes;
            for (int x = 0; x < widthIn; ++x) {
              Pixel16 p = decode16(typeIn, C, pixels + size_t(x) * inPixel);
              for (int k = 0; k < C; ++k) row[size_t(x) * C + k] = float(p.c[k]);
            }
            filterRow<C>(tx, row.data(), dst);
          },
          [&](int i, const float* sums, float areaY) {
            for (int j = 0; j < widthOut; ++j) {
              uint32_t v[4] = {0, 0, 0, 0};
              for (int k = 0; k < C; ++k) {
                size_t e = size_t(j) * C + k;
                v[k] = uint32_t(std::min(65535.0f, (sums[e] + 0.5f) / (areaX[e] * areaY)));
              }
              encode16(typeOut, C, v, i * widthOut + j, out);
            }
          });
    });
  } catch (const std::bad_alloc&) {
    return GLU_OUT_OF_MEMORY;
  }
  return 0;
}

}  // namespace qv
