// The layer that puts a view's frames on an SDL2 window whose GL context the kit uses (SdlGLContext).
// The kit keeps drawing into its own framebuffer object; presenting copies that colour buffer into a
// texture and draws it over the window's default framebuffer before the swap, restoring the GL state it
// touched.
#pragma once

#include <SDL.h>

#include "qv/os/Export.h"
#include "qv/os/Layer.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

QV_EXPORT_BEGIN

class WindowLayer : public Layer {
 public:
  explicit WindowLayer(SDL_Window* window) : window_(window) {}
  bool renderbufferStorage(GLenum target) override;
  bool presentRenderbuffer(GLenum target) override;

 private:
  SDL_Window* window_;
  GLuint texture_ = 0;
  int textureWidth_ = 0, textureHeight_ = 0;
};

QV_EXPORT_END

}  // namespace qv
QV_EXPORT_END
