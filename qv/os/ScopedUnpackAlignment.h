// Sets GL_UNPACK_ALIGNMENT for the uploads of one scope and puts the previous value back at its end, so an
// upload leaves the shared context's pixel-store state as it found it. GL context current throughout.
#pragma once

#include <GLES/gl.h>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class ScopedUnpackAlignment {
 public:
  explicit ScopedUnpackAlignment(GLint alignment) {
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &previous_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
  }
  ~ScopedUnpackAlignment() { glPixelStorei(GL_UNPACK_ALIGNMENT, previous_); }
  ScopedUnpackAlignment(const ScopedUnpackAlignment&) = delete;
  ScopedUnpackAlignment& operator=(const ScopedUnpackAlignment&) = delete;

 private:
  GLint previous_ = 4;
};

}  // namespace qv
QV_EXPORT_END
