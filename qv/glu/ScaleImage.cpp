// Box-filter scaling. Both filters here are separable: the weight of input pixel (x, y) in output pixel
// (j, i) is wx(j, x) * wy(i, y), so each output row first gathers its weighted input rows into one float row,
// and each output pixel then gathers its weighted columns of that row. This gives the same sums as the
// pixel-by-pixel box loops up to float rounding, at a fraction of their cost.
#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "qv/glu/GLUEnums.h"
#include "qv/glu/Mipmap.h"
#include "qv/glu/MipmapInternal.h"

namespace {

// Along one axis, output o takes weight[t] of input index[t] for t in [first[o], first[o + 1]).
struct AxisTaps {
  std::vector<int32_t> first, index;
  std::vector<float> weight, sum;

  void begin(int outputs) {
    first.reserve(size_t(outputs) + 1);
    sum.reserve(size_t(outputs));
  }
  void open() { first.push_back(int32_t(index.size())); }
  void add(int64_t i, float w) {
    index.push_back(int32_t(i));
    weight.push_back(w);
  }
  void close() {
    float s = 0;
    for (size_t t = size_t(first.back()); t < index.size(); ++t) s += weight[t];
    sum.push_back(s);
  }
  void end() { first.push_back(int32_t(index.size())); }
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

// rowAdd(y, w, acc) adds w times input row y (widthIn * C values) to acc; store(i, j, totals, area) writes
// output pixel (j, i) from its weighted sums and total weight.
template <int C, class RowAdd, class Store>
void runFilter(const AxisTaps& tx, const AxisTaps& ty, int widthIn, RowAdd&& rowAdd, Store&& store) {
  std::vector<float> acc(size_t(widthIn) * C);
  const int widthOut = int(tx.sum.size()), heightOut = int(ty.sum.size());
  for (int i = 0; i < heightOut; ++i) {
    std::fill(acc.begin(), acc.end(), 0.0f);
    for (int32_t t = ty.first[i]; t < ty.first[i + 1]; ++t) rowAdd(ty.index[t], ty.weight[t], acc.data());
    for (int j = 0; j < widthOut; ++j) {
      float totals[C] = {};
      for (int32_t t = tx.first[j]; t < tx.first[j + 1]; ++t) {
        const float* p = acc.data() + size_t(tx.index[t]) * C;
        const float w = tx.weight[t];
        for (int k = 0; k < C; ++k) totals[k] += w * p[k];
      }
      store(i, j, totals, tx.sum[j] * ty.sum[i]);
    }
  }
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

// Adds w times a row of bytes to acc.
void addByteRow(const uint8_t* row, size_t n, float w, float* acc) {
  for (size_t i = 0; i < n; ++i) acc[i] += w * float(row[i]);
}

// Truncation as the standard's filter does; the small bias keeps float error from turning an exact
// integer average (a flat area) into the value below it.
constexpr float kTruncationGuard = 1.0f / 1024;

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
    withComponents(components, [&]<int C>() {
      runFilter<C>(
          tx, ty, widthIn,
          [&](int y, float w, float* acc) { addByteRow(in + size_t(y) * rowBytes, rowBytes, w, acc); },
          [&](int i, int j, const float* totals, float area) {
            uint8_t* o = out + (size_t(i) * widthOut + j) * C;
            for (int k = 0; k < C; ++k) o[k] = uint8_t(std::min(255.0f, totals[k] / area + kTruncationGuard));
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
      runFilter<C>(
          tx, ty, widthIn,
          [&](int y, float w, float* acc) {
            const uint8_t* row = src + size_t(y) * widthIn * 2;
            float c[4];
            for (int x = 0; x < widthIn; ++x) {
              extract(row + size_t(x) * 2, c);
              for (int k = 0; k < C; ++k) acc[size_t(x) * C + k] += w * c[k];
            }
          },
          [&](int i, int j, const float* totals, float area) {
            float c[4] = {0, 0, 0, 0};
            for (int k = 0; k < C; ++k) c[k] = std::clamp(totals[k] / area, 0.0f, 1.0f);
            shove(c, i * widthOut + j, out);
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
    // Bytes are accumulated as they are and scaled to 16 bits once per output value.
    const float inScale = typeIn == GL_UNSIGNED_BYTE ? 257.0f : 1.0f;
    withComponents(components, [&]<int C>() {
      auto store = [&](int i, int j, const float* totals, float area) {
        uint32_t v[4] = {0, 0, 0, 0};
        for (int k = 0; k < C; ++k) v[k] = uint32_t(std::min(65535.0f, (totals[k] * inScale + 0.5f) / area));
        if (typeOut == GL_UNSIGNED_BYTE) {
          uint8_t* o = out + (size_t(i) * widthOut + j) * C;
          for (int k = 0; k < C; ++k) o[k] = uint8_t(v[k] >> 8);
        } else {
          encode16(typeOut, C, v, i * widthOut + j, out);
        }
      };
      if (typeIn == GL_UNSIGNED_BYTE) {
        runFilter<C>(
            tx, ty, widthIn,
            [&](int y, float w, float* acc) { addByteRow(in + size_t(y) * rowBytes, rowBytes, w, acc); },
            store);
      } else {
        runFilter<C>(
            tx, ty, widthIn,
            [&](int y, float w, float* acc) {
              const uint8_t* row = in + size_t(y) * rowBytes;
              for (int x = 0; x < widthIn; ++x) {
                Pixel16 p = decode16(typeIn, C, row + size_t(x) * inPixel);
                for (int k = 0; k < C; ++k) acc[size_t(x) * C + k] += w * float(p.c[k]);
              }
            },
            store);
      }
    });
  } catch (const std::bad_alloc&) {
    return GLU_OUT_OF_MEMORY;
  }
  return 0;
}
