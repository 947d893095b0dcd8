// Frame cost at 1280x720 with a 4096x2048 panorama: the kit's drawView against the same textured sphere
// drawn by a bare GL ES program (precomputed vertex arrays, one texture) on the same context and driver.
// Both finish with glFinish and no read-back, so only drawing is compared.
#include <GLES/gl.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "qv/core/QVObjectFactory.h"
#include "qv/os/GLES.h"
#include "qv/os/Image.h"
#include "qv/os/Layer.h"
#include "qv/platform/QVContext.h"

using namespace qv;

namespace {

constexpr int kWidth = 1280, kHeight = 720, kFrames = 200;

// Presents by waiting for the GPU: the cost of a frame without a copy to the CPU.
class FinishLayer : public Layer {
 public:
  bool renderbufferStorage(GLenum target) override {
    oes::glRenderbufferStorageOES(target, GL_RGBA8_OES, kWidth, kHeight);
    return true;
  }
  bool presentRenderbuffer(GLenum) override {
    glFinish();
    return true;
  }
};

std::shared_ptr<Image> panorama() {
  std::vector<uint8_t> rgba(size_t(4096) * 2048 * 4);
  for (size_t i = 0; i < rgba.size(); i += 4) {
    size_t p = i / 4;
    rgba[i] = uint8_t(p % 4096 / 16), rgba[i + 1] = uint8_t(p / 4096 / 8), rgba[i + 2] = uint8_t(p * 7),
    rgba[i + 3] = 255;
  }
  return Image::fromRGBA(4096, 2048, std::move(rgba));
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The bare program: a 60x60 sphere of radius 20 in static arrays, drawn as 60 strips.
struct BareSphere {
  std::vector<GLfloat> vertices, texcoords;
  BareSphere() {
    for (int j = 0; j < 60; ++j)
      for (int i = 0; i <= 60; ++i)
        for (int k = 1; k >= 0; --k) {
          double theta = 2 * M_PI * i / 60, phi = M_PI * (j + k) / 60;
          vertices.insert(vertices.end(),
                          {GLfloat(20 * std::sin(theta) * std::sin(phi)),
                           GLfloat(20 * std::cos(theta) * std::sin(phi)), GLfloat(20 * std::cos(phi))});
          texcoords.insert(texcoords.end(), {GLfloat(1 - i / 60.0), GLfloat(1 - (j + k) / 60.0)});
        }
  }
  void draw(GLuint texture, float yaw) const {
    glViewport(0, 0, kWidth, kHeight);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustumf(-0.767f * 16 / 9, 0.767f * 16 / 9, -0.767f, 0.767f, 1, 25);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(-90, 1, 0, 0);
    glRotatef(yaw, 0, 0, 1);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, vertices.data());
    glTexCoordPointer(2, GL_FLOAT, 0, texcoords.data());
    for (int j = 0; j < 60; ++j) glDrawArrays(GL_TRIANGLE_STRIP, j * 122, 122);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glFinish();
  }
};

}  // namespace

int main() {
  auto image = panorama();
  auto view = QVObjectFactory::viewWithFrame(QVRect{0, 0, kWidth, kHeight});
  view->setLayer(std::make_shared<FinishLayer>());
  view->layoutSubviews();
  view->setNavigationMode(1);
  view->setAutoLevel(false, 0);
  view->setImage(image);
  for (int i = 0; i < 10; ++i) view->update();

  BareSphere bare;
  GLuint fbo = 0, colour = 0, depth = 0, texture = 0;
  double kitSeconds = 0, bareSeconds = 0;
  {
    std::lock_guard<std::mutex> guard(QVContext::glLock());
    SharedContextScope scope;
    oes::glGenFramebuffersOES(1, &fbo);
    oes::glBindFramebufferOES(GL_FRAMEBUFFER_OES, fbo);
    oes::glGenRenderbuffersOES(1, &colour);
    oes::glBindRenderbufferOES(GL_RENDERBUFFER_OES, colour);
    oes::glRenderbufferStorageOES(GL_RENDERBUFFER_OES, GL_RGBA8_OES, kWidth, kHeight);
    oes::glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES,
                                      colour);
    oes::glGenRenderbuffersOES(1, &depth);
    oes::glBindRenderbufferOES(GL_RENDERBUFFER_OES, depth);
    oes::glRenderbufferStorageOES(GL_RENDERBUFFER_OES, GL_DEPTH_COMPONENT16_OES, kWidth, kHeight);
    oes::glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_DEPTH_ATTACHMENT_OES, GL_RENDERBUFFER_OES,
                                      depth);
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    std::vector<uint8_t> bgra(size_t(4096) * 2048 * 4);
    image->copyPremultipliedBGRA(bgra.data(), 4096 * 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_BGRA_EXT, 4096, 2048, 0, GL_BGRA_EXT, GL_UNSIGNED_BYTE, bgra.data());
    for (int i = 0; i < 10; ++i) bare.draw(texture, float(i));
  }

  // Interleaved rounds so that machine noise falls on both alike.
  for (int round = 0; round < 4; ++round) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kFrames / 4; ++i) {
      view->setRotationX(float(i * 7 % 360));
      view->update();
    }
    kitSeconds += secondsSince(start);
    std::lock_guard<std::mutex> guard(QVContext::glLock());
    SharedContextScope scope;
    oes::glBindFramebufferOES(GL_FRAMEBUFFER_OES, fbo);
    start = std::chrono::steady_clock::now();
    for (int i = 0; i < kFrames / 4; ++i) bare.draw(texture, float(i * 7 % 360));
    bareSeconds += secondsSince(start);
  }
  double kit = kitSeconds / kFrames * 1e3, peer = bareSeconds / kFrames * 1e3;
  std::printf(
      "frame 1280x720, 4096x2048 panorama: kit drawView %.2f ms, bare GL ES %.2f ms, ratio %.2fx (goal <= "
      "1.1x)\n",
      kit, peer, kit / peer);
  {
    std::lock_guard<std::mutex> guard(QVContext::glLock());
    SharedContextScope scope;
    glDeleteTextures(1, &texture);
    oes::glDeleteRenderbuffersOES(1, &depth);
    oes::glDeleteRenderbuffersOES(1, &colour);
    oes::glDeleteFramebuffersOES(1, &fbo);
  }
  return 0;
}
