#include "tests/support/GLTestSupport.h"

#include <png.h>

#include <cstdio>

ScopedGLContext::ScopedGLContext(EglContext::Api api) : previous_(GLContext::current()) {
  context_ = EglContext::create(api);
  ok_ = context_ && GLContext::setCurrent(context_);
}

ScopedGLContext::~ScopedGLContext() {
  GLContext::setCurrent(previous_);
}

OffscreenTarget::OffscreenTarget(int width, int height) : width_(width), height_(height) {
  oes::glGenFramebuffersOES(1, &framebuffer_);
  oes::glBindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer_);
  oes::glGenRenderbuffersOES(1, &colour_);
  oes::glBindRenderbufferOES(GL_RENDERBUFFER_OES, colour_);
  oes::glRenderbufferStorageOES(GL_RENDERBUFFER_OES, GL_RGBA8_OES, width, height);
  oes::glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES,
                                    colour_);
  oes::glGenRenderbuffersOES(1, &depth_);
  oes::glBindRenderbufferOES(GL_RENDERBUFFER_OES, depth_);
  oes::glRenderbufferStorageOES(GL_RENDERBUFFER_OES, GL_DEPTH_COMPONENT16_OES, width, height);
  oes::glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_DEPTH_ATTACHMENT_OES, GL_RENDERBUFFER_OES, depth_);
  complete_ = oes::glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES) == GL_FRAMEBUFFER_COMPLETE_OES;
  glViewport(0, 0, width, height);
}

OffscreenTarget::~OffscreenTarget() {
  oes::glBindFramebufferOES(GL_FRAMEBUFFER_OES, 0);
  oes::glDeleteRenderbuffersOES(1, &depth_);
  oes::glDeleteRenderbuffersOES(1, &colour_);
  oes::glDeleteFramebuffersOES(1, &framebuffer_);
}

void OffscreenTarget::bind() {
  oes::glBindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer_);
}

std::vector<uint8_t> OffscreenTarget::readRGBA() const {
  std::vector<uint8_t> pixels(size_t(width_) * size_t(height_) * 4);
  glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

bool writePNG(const std::string& path, const uint8_t* rgba, int width, int height) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) png_write_row(png, rgba + size_t(y) * size_t(width) * 4);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
  return true;
}
