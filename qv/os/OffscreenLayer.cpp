#include "qv/os/OffscreenLayer.h"

#include <cmath>
#include <cstring>

#include "qv/os/GLES.h"

namespace qv {

bool OffscreenLayer::renderbufferStorage(GLenum target) {
  double w = std::trunc(bounds_.width * scale_), h = std::trunc(bounds_.height * scale_);
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE_OES, &maxSize);
  if (!(w >= 1 && h >= 1) || w > maxSize || h > maxSize) return false;
  oes::glRenderbufferStorageOES(target, GL_RGBA8_OES, GLsizei(w), GLsizei(h));
  return glGetError() == GL_NO_ERROR;
}

bool OffscreenLayer::presentRenderbuffer(GLenum target) {
  GLint w = 0, h = 0;
  oes::glGetRenderbufferParameterivOES(target, GL_RENDERBUFFER_WIDTH_OES, &w);
  oes::glGetRenderbufferParameterivOES(target, GL_RENDERBUFFER_HEIGHT_OES, &h);
  if (w <= 0 || h <= 0) return false;
  std::lock_guard<std::mutex> guard(lock_);
  // Both buffers are kept between frames: fresh pages for every frame cost more than the read-back.
  auto& bottomUp = scratch_;
  bottomUp.resize(size_t(w) * size_t(h) * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
  frame_.resize(bottomUp.size());
  size_t row = size_t(w) * 4;
  for (GLint y = 0; y < h; ++y)
    std::memcpy(&frame_[size_t(y) * row], &bottomUp[size_t(h - 1 - y) * row], row);
  width_ = w;
  height_ = h;
  ++presents_;
  return true;
}

std::vector<uint8_t> OffscreenLayer::lastFrame(int* width, int* height) const {
  std::lock_guard<std::mutex> guard(lock_);
  if (width) *width = width_;
  if (height) *height = height_;
  return frame_;
}

int OffscreenLayer::presentCount() const {
  std::lock_guard<std::mutex> guard(lock_);
  return presents_;
}

}  // namespace qv
