// The GL ES context of an SDL2 window as the kit's GL context. A host hands it over with GLContext's
// factory (SdlGLWindow does), so the view renders with the window's context and its layer can show the
// frames on the window.
#pragma once

#include <SDL.h>

#include "qv/os/Export.h"
#include "qv/os/GLContext.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

QV_EXPORT_BEGIN

class SdlGLContext : public GLContext {
 public:
  // Takes ownership of `context`, which was created for `window`.
  SdlGLContext(SDL_Window* window, SDL_GLContext context) : window_(window), context_(context) {}
  ~SdlGLContext() override { SDL_GL_DeleteContext(context_); }

 protected:
  bool bindToThread() override;
  void unbindFromThread() override { SDL_GL_MakeCurrent(window_, nullptr); }

 private:
  SDL_Window* window_;
  SDL_GLContext context_;
};

QV_EXPORT_END

}  // namespace qv
QV_EXPORT_END
