#include "qv/sdl/SdlGLContext.h"

#include "qv/os/GLES.h"

namespace qv {

bool SdlGLContext::bindToThread() {
  if (SDL_GL_MakeCurrent(window_, context_) != 0) return false;
  oes::load();
  return true;
}

}  // namespace qv
