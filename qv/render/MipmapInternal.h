// Internals of the image scaling and mipmap building functions: format tables, the packed-pixel
// unpack/pack pairs, 2x2 halving, box-filter scaling and the common mipmap builder. Not exported to hosts.
#pragma once

#include <GLES/gl.h>

#include <cstddef>
#include <cstdint>

namespace qv {

// Unpacks one packed pixel into components in [0, 1] (R, G, B[, A]).
using ExtractPackedFn = void (*)(const void* packedPixel, float components[4]);
// Packs components in [0, 1] into pixel `index` of an array of packed pixels (rounding to nearest).
using ShovePackedFn = void (*)(const float components[4], int index, void* packedPixels);

void extract565(const void* packedPixel, float components[4]);
void shove565(const float components[4], int index, void* packedPixels);
void extract4444(const void* packedPixel, float components[4]);
void shove4444(const float components[4], int index, void* packedPixels);
void extract5551(const void* packedPixel, float components[4]);
void shove5551(const float components[4], int index, void* packedPixels);

// Components per pixel of an accepted format, 0 for any other.
int qvglFormatComponents(GLenum format);
bool qvglLegalType(GLenum type);
// False when a packed type is paired with a format it cannot hold.
bool qvglLegalFormatForType(GLenum format, GLenum type);
int qvglBytesPerPixel(GLenum format, GLenum type);
// Byte count of a tightly packed image; false when it would not fit in the address space.
bool qvglImageBytes(int64_t width, int64_t height, GLenum format, GLenum type, size_t* bytes);
// The unpack/pack pair of a packed type (nullptr for GL_UNSIGNED_BYTE).
ExtractPackedFn qvglExtractFor(GLenum type);
ShovePackedFn qvglShoveFor(GLenum type);

// 2x2 box average of a width x height image into (width/2) x (height/2), each dimension at least 1;
// an image one pixel wide or high averages pairs along its length. `out` may be `in` (halving in place).
void halveImage_ubyte(int components, int width, int height, const uint8_t* in, uint8_t* out);
void halveImagePackedPixel(int components, ExtractPackedFn extract, ShovePackedFn shove, int width,
                           int height, const void* in, void* out);

// Area-weighted box scaling used by the mipmap builder: output pixel (i, j) averages the input rectangle
// it covers. Exactly half the size takes the halving above. False when working memory ran out.
bool scaleInternal_ubyte(int components, int widthIn, int heightIn, const uint8_t* in, int widthOut,
                         int heightOut, uint8_t* out);
bool scaleInternalPackedPixel(int components, ExtractPackedFn extract, ShovePackedFn shove, int widthIn,
                              int heightIn, const void* in, int widthOut, int heightOut, void* out);

// Uploads level userLevel as widthPowerOf2 x heightPowerOf2 (scaling the image first when its size
// differs) and every halving after it, each only when baseLevel <= level <= maxLevel.
GLint qvglBuild2DMipmapLevelsCore(GLenum target, GLint internalFormat, GLsizei width, GLsizei height,
                                  GLsizei widthPowerOf2, GLsizei heightPowerOf2, GLenum format, GLenum type,
                                  GLint userLevel, GLint baseLevel, GLint maxLevel, const void* data);

}  // namespace qv
