// A GLCallObserver that records the texture uploads and pixel-store calls of the mipmap builder, copying
// each level's pixels at the call (the builder reuses its buffers). Forwards to GL only when asked to.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "qv/glu/GLSeam.h"

using namespace qv;

struct RecordedUpload {
  GLenum target;
  GLint level, internalFormat;
  GLsizei width, height;
  GLenum format, type;
  std::vector<uint8_t> pixels;  // tightly packed; empty when the level was too large to copy
};

class UploadRecorder : public GLCallObserver {
 public:
  explicit UploadRecorder(bool forward = false) : forward_(forward), scoped_(this) {}

  bool forwardToGL() const override { return forward_; }

  void texImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei w, GLsizei h, GLint,
                  GLenum format, GLenum type, const void* pixels) override {
    calls.push_back("texImage2D " + std::to_string(level));
    RecordedUpload u{target, level, internalFormat, w, h, format, type, {}};
    size_t bytes = size_t(w) * size_t(h) * pixelBytes(format, type);
    if (pixels && bytes <= kMaxCopy) {
      u.pixels.resize(bytes);
      std::memcpy(u.pixels.data(), pixels, bytes);
    }
    uploads.push_back(std::move(u));
  }
  void pixelStorei(GLenum name, GLint value) override {
    calls.push_back("pixelStorei " + std::to_string(name) + " " + std::to_string(value));
  }

  static size_t pixelBytes(GLenum format, GLenum type) {
    if (type != GL_UNSIGNED_BYTE) return 2;
    switch (format) {
      case GL_RGBA:
        return 4;
      case GL_RGB:
        return 3;
      case GL_LUMINANCE_ALPHA:
        return 2;
      default:
        return 1;
    }
  }

  std::vector<RecordedUpload> uploads;
  std::vector<std::string> calls;  // in order, e.g. "pixelStorei 3317 1", "texImage2D 0"

 private:
  static constexpr size_t kMaxCopy = size_t(64) << 20;
  bool forward_;
  glseam::ScopedObserver scoped_;
};
