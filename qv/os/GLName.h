// Move-only owners of GL object names (textures, framebuffers, renderbuffers): the name is deleted when
// its owner goes or is reset, so no path can leak or double-delete one. Deleting needs the GL context
// that made the name current on the calling thread (and the GL lock held); the owners of these objects
// reset them inside their teardown's context scope, before the scope ends.
#pragma once

#include <utility>

#include "qv/os/GLES.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

template <class Traits>
class GLName {
 public:
  GLName() = default;
  explicit GLName(GLuint name) : name_(name) {}
  ~GLName() { reset(); }
  GLName(GLName&& other) noexcept : name_(other.release()) {}
  GLName& operator=(GLName&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  GLName(const GLName&) = delete;
  GLName& operator=(const GLName&) = delete;

  // A fresh name from glGen*; 0 (empty) when GL made none.
  static GLName generate() {
    GLuint name = 0;
    Traits::generate(&name);
    return GLName(name);
  }

  GLuint get() const { return name_; }
  explicit operator bool() const { return name_ != 0; }
  // Hands the name to the caller, who then deletes it.
  GLuint release() { return std::exchange(name_, 0); }
  void reset(GLuint name = 0) {
    if (name_ != 0) Traits::destroy(name_);
    name_ = name;
  }

 private:
  GLuint name_ = 0;
};

struct GLTextureTraits {
  static void generate(GLuint* name) { glGenTextures(1, name); }
  static void destroy(GLuint name) { glDeleteTextures(1, &name); }
};
struct GLFramebufferTraits {
  static void generate(GLuint* name) { oes::glGenFramebuffersOES(1, name); }
  static void destroy(GLuint name) { oes::glDeleteFramebuffersOES(1, &name); }
};
struct GLRenderbufferTraits {
  static void generate(GLuint* name) { oes::glGenRenderbuffersOES(1, name); }
  static void destroy(GLuint name) { oes::glDeleteRenderbuffersOES(1, &name); }
};

using GLTexture = GLName<GLTextureTraits>;
using GLFramebuffer = GLName<GLFramebufferTraits>;
using GLRenderbuffer = GLName<GLRenderbufferTraits>;

}  // namespace qv
QV_EXPORT_END
