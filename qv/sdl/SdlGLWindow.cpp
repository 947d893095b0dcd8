#include "qv/sdl/SdlGLWindow.h"

#include "qv/sdl/SdlGLContext.h"
#include "qv/sdl/WindowLayer.h"

namespace qv {

std::unique_ptr<SdlGLWindow> SdlGLWindow::open(const std::string& title, int width, int height,
                                               std::string* whyNot) {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
  SDL_Window* window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width,
                                        height, SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE);
  SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
  if (!context) {
    if (whyNot) *whyNot = SDL_GetError();
    if (window) SDL_DestroyWindow(window);
    return nullptr;
  }
  SDL_GL_MakeCurrent(window, nullptr);  // the kit makes it current around its own GL work
  return std::unique_ptr<SdlGLWindow>(
      new SdlGLWindow(window, std::make_shared<SdlGLContext>(window, context)));
}

SdlGLWindow::SdlGLWindow(SDL_Window* window, std::shared_ptr<SdlGLContext> context)
    : window_(window), context_(std::move(context)) {
  GLContext::setFactory([context = context_] { return context; });
}

SdlGLWindow::~SdlGLWindow() {
  GLContext::setFactory({});
  context_.reset();
  SDL_DestroyWindow(window_);
}

std::shared_ptr<Layer> SdlGLWindow::makeLayer() const {
  return std::make_shared<WindowLayer>(window_);
}

}  // namespace qv
