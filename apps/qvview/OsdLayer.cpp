#include "apps/qvview/OsdLayer.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "qv/os/GLES.h"
#include "qv/os/Image.h"

namespace {

// The bound framebuffer's pixels, top row first, opaque.
std::vector<uint8_t> readFrame(int width, int height) {
  std::vector<uint8_t> bottomUp(size_t(width) * size_t(height) * 4), rgba(bottomUp.size());
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
  const size_t row = size_t(width) * 4;
  for (int y = 0; y < height; ++y)
    std::copy_n(&bottomUp[size_t(height - 1 - y) * row], row, &rgba[size_t(y) * row]);
  for (size_t p = 3; p < rgba.size(); p += 4) rgba[p] = 255;
  return rgba;
}

}  // namespace

bool OsdLayer::presentRenderbuffer(GLenum target) {
  GLint width = 0, height = 0;
  oes::glGetRenderbufferParameterivOES(target, GL_RENDERBUFFER_WIDTH_OES, &width);
  oes::glGetRenderbufferParameterivOES(target, GL_RENDERBUFFER_HEIGHT_OES, &height);
  if (screenshot_ && width > 0 && height > 0) {
    auto image = Image::fromRGBA(width, height, readFrame(width, height));
    if (image && image->writePNG(*screenshot_)) {
      std::printf("screenshot %s\n", screenshot_->c_str());
    } else {
      std::fprintf(stderr, "qvview: cannot write %s\n", screenshot_->c_str());
    }
    std::fflush(stdout);
    screenshot_.reset();
  }
  osd_->draw(width, height);
  return window_->presentRenderbuffer(target);
}
