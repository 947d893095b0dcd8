// Mipmap building and image scaling: the kit against Mesa's libGLU on the same driver (llvmpipe), with
// the GL ES mipmap generator printed beside them. The kit builds on a GL ES context, libGLU on a desktop
// context; the two are never current on this thread at once.
#include <GL/glu.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

#include "qv/os/EglContext.h"
#include "qv/os/GLES.h"
#include "qv/render/Mipmap.h"

using namespace qv;

namespace {

constexpr int kRuns = 5;

double millisecondsOf(const std::function<void()>& fn) {
  auto start = std::chrono::steady_clock::now();
  fn();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

struct Timing {
  double first, median;
};

// The first run (cold: fresh texture storage and buffers) and the median of the runs after it.
Timing time(const std::function<void()>& fn) {
  Timing t{millisecondsOf(fn), 0};
  std::vector<double> runs;
  for (int i = 0; i < kRuns; ++i) runs.push_back(millisecondsOf(fn));
  std::sort(runs.begin(), runs.end());
  t.median = runs[runs.size() / 2];
  return t;
}

std::vector<uint8_t> picture(int w, int h) {
  std::vector<uint8_t> px(size_t(w) * h * 4);
  uint32_t seed = 1;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      seed = seed * 1664525u + 1013904223u;
      uint8_t* p = &px[(size_t(y) * w + x) * 4];
      p[0] = uint8_t(x * 255 / w);
      p[1] = uint8_t(y * 255 / h);
      p[2] = uint8_t(seed >> 24);
      p[3] = 255;
    }
  }
  return px;
}

bool makeCurrent(EglContext::Api api, std::shared_ptr<EglContext>& holder) {
  holder = EglContext::create(api);
  return holder && GLContext::setCurrent(holder);
}

void printRatio(const char* what, Timing kit, Timing peer) {
  std::printf("%-44s kit %8.1f ms (first %8.1f)   libGLU %8.1f ms (first %8.1f)   ratio %.2fx\n", what,
              kit.median, kit.first, peer.median, peer.first, kit.median / peer.median);
}

}  // namespace

int main() {
  const int w = 4096, h = 2048;
  const auto image = picture(w, h);
  const int sw = 3000, sh = 1500;
  const auto small = picture(sw, sh);
  std::vector<uint8_t> scaled(size_t(w) * h * 4, 1);  // touched before timing, as both write into it

  std::shared_ptr<EglContext> context;
  if (!makeCurrent(EglContext::Api::GLES1, context)) {
    std::fprintf(stderr, "no GL ES context\n");
    return 1;
  }
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  Timing kitBuild = time([&] {
    qvglBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, w, h, GL_RGBA, GL_UNSIGNED_BYTE, image.data());
    glFinish();
  });
  Timing generate = time([&] {
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.data());
    oes::glGenerateMipmapOES(GL_TEXTURE_2D);
    glFinish();
  });
  glDeleteTextures(1, &texture);
  GLContext::setCurrent(nullptr);
  context.reset();

  Timing kitScale = time([&] {
    qvglScaleImage(GL_RGBA, sw, sh, GL_UNSIGNED_BYTE, small.data(), w, h, GL_UNSIGNED_BYTE, scaled.data());
  });

  if (!makeCurrent(EglContext::Api::DesktopGL, context)) {
    std::fprintf(stderr, "no desktop GL context\n");
    return 1;
  }
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  Timing gluBuild = time([&] {
    gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, w, h, GL_RGBA, GL_UNSIGNED_BYTE, image.data());
    glFinish();
  });
  glDeleteTextures(1, &texture);
  Timing gluScale = time([&] {
    gluScaleImage(GL_RGBA, sw, sh, GL_UNSIGNED_BYTE, small.data(), w, h, GL_UNSIGNED_BYTE, scaled.data());
  });
  GLContext::setCurrent(nullptr);

  std::printf("median of %d runs after a first one\n", kRuns);
  printRatio("Build2DMipmaps 4096x2048 RGBA", kitBuild, gluBuild);
  printRatio("ScaleImage 3000x1500 -> 4096x2048 RGBA", kitScale, gluScale);
  std::printf("%-44s GL ES %6.1f ms (first %8.1f)   (level 0 upload + glGenerateMipmapOES)\n",
              "glGenerateMipmapOES 4096x2048 RGBA", generate.median, generate.first);
  return 0;
}
