// qvview's window: an SDL2 window with a GL ES 1.1 context that the kit uses as its shared context, and the
// layer that puts the kit's framebuffer on the window. The kit keeps drawing into its own framebuffer
// object; presenting copies that colour buffer into a texture and draws it over the window's default
// framebuffer before the swap, restoring the GL state it touched.
#pragma once

#include <SDL.h>

#include <memory>

#include "qv/os/GLContext.h"
#include "qv/os/Layer.h"

class SdlGLContext : public GLContext {
 public:
  SdlGLContext(SDL_Window* window, SDL_GLContext context) : window_(window), context_(context) {}
  ~SdlGLContext() override { SDL_GL_DeleteContext(context_); }

 protected:
  bool bindToThread() override;
  void unbindFromThread() override { SDL_GL_MakeCurrent(window_, nullptr); }

 private:
  SDL_Window* window_;
  SDL_GLContext context_;
};

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
