// Image scaling and mipmap building for GL ES 1.1, which has no utility library of its own. The functions
// keep the GLU 1.3 semantics of their namesakes (arguments, box filtering, level numbering, error codes),
// restricted to the ES formats (GL_ALPHA .. GL_LUMINANCE_ALPHA) and types (GL_UNSIGNED_BYTE and the three
// packed 16-bit types). Images are tightly packed rows, first row first; no pixel-storage state is read.
// Stateless; call with a GL context current (the mipmap functions upload levels with glTexImage2D).
#pragma once

#include <GLES/gl.h>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

extern "C" {

// Scales dataIn (widthIn x heightIn of typeIn) into dataOut (widthOut x heightOut of typeOut). Returns 0 or
// a GLU error code; on error nothing is written.
GLint qvglScaleImage(GLenum format, GLint widthIn, GLint heightIn, GLenum typeIn, const void* dataIn,
                     GLint widthOut, GLint heightOut, GLenum typeOut, void* dataOut);

// Builds the mipmap chain of a width x height image whose larger power-of-two dimension gives the level
// count, numbering the image as userLevel and uploading only levels baseLevel..maxLevel.
GLint qvglBuild2DMipmapLevels(GLenum target, GLint internalFormat, GLsizei width, GLsizei height,
                              GLenum format, GLenum type, GLint userLevel, GLint baseLevel, GLint maxLevel,
                              const void* data);

// Scales the image to the nearest power of two per dimension (at most GL_MAX_TEXTURE_SIZE) and uploads
// every level down to 1x1. GL_UNPACK_ALIGNMENT is 1 afterwards.
GLint qvglBuild2DMipmaps(GLenum target, GLint internalFormat, GLsizei width, GLsizei height, GLenum format,
                         GLenum type, const void* data);

}  // extern "C"

}  // namespace qv
QV_EXPORT_END
