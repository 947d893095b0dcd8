// Test helpers that need real GL: a current GL ES 1.1 context, an offscreen colour+depth target that can be
// read back, and a desktop GL context for comparing with Mesa's libGLU.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "qv/os/EglContext.h"
#include "qv/os/GLES.h"

using namespace qv;

// Creates a context of the given API and makes it current on the calling thread for the object's lifetime;
// the thread's previous context is restored afterwards.
class ScopedGLContext {
 public:
  explicit ScopedGLContext(EglContext::Api api = EglContext::Api::GLES1);
  ~ScopedGLContext();
  bool ok() const { return ok_; }
  const std::shared_ptr<EglContext>& context() const { return context_; }

 private:
  std::shared_ptr<GLContext> previous_;
  std::shared_ptr<EglContext> context_;
  bool ok_ = false;
};

// A GL ES framebuffer object with RGBA8 colour and 16-bit depth, bound on construction.
class OffscreenTarget {
 public:
  OffscreenTarget(int width, int height);
  ~OffscreenTarget();
  bool complete() const { return complete_; }
  void bind();
  // Rows bottom-up, as glReadPixels returns them.
  std::vector<uint8_t> readRGBA() const;

 private:
  int width_, height_;
  GLuint framebuffer_ = 0, colour_ = 0, depth_ = 0;
  bool complete_ = false;
};

// Writes RGBA rows (top row first) to a PNG, for looking at what a test rendered.
bool writePNG(const std::string& path, const uint8_t* rgba, int width, int height);
