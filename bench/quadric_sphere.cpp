// The callers' sphere, qvglSphere(q, 20, 60, 60) with texture coordinates and smooth normals, drawn into a
// 1280x720 offscreen target on a GL ES context, against gluSphere with the same arguments on a desktop GL
// context of the same driver. Also the tessellation alone: ours through a GL call observer that drops the
// calls, libGLU compiling into a display list. Rounds alternate between the two; medians are printed.
#include <EGL/egl.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "qv/glu/GLSeam.h"
#include "qv/glu/Projection.h"
#include "qv/glu/Quadric.h"
#include "qv/os/EglContext.h"
#include "qv/os/GLES.h"

using namespace qv;

namespace {

constexpr int kWidth = 1280, kHeight = 720;
constexpr int kDraws = 100, kRounds = 7, kTessellations = 2000;

double now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

std::vector<uint8_t> pattern() {
  std::vector<uint8_t> texels(2048 * 1024 * 4);
  for (size_t i = 0; i < texels.size(); ++i) texels[i] = uint8_t((i * 2654435761u) >> 24);
  return texels;
}

void setUpTexture(const std::vector<uint8_t>& texels) {
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2048, 1024, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glEnable(GL_TEXTURE_2D);
  glViewport(0, 0, kWidth, kHeight);
}

template <typename Draw>
double secondsPerDraw(Draw draw) {
  glFinish();
  const double start = now();
  for (int i = 0; i < kDraws; ++i) draw();
  glFinish();
  return (now() - start) / kDraws;
}

struct Kit {
  std::shared_ptr<EglContext> context = EglContext::create(EglContext::Api::GLES1);
  qv::GLUquadric* q = nullptr;
  bool setUp(const std::vector<uint8_t>& texels) {
    if (!context || !GLContext::setCurrent(context)) return false;
    GLuint framebuffer, colour;
    oes::glGenFramebuffersOES(1, &framebuffer);
    oes::glBindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer);
    oes::glGenRenderbuffersOES(1, &colour);
    oes::glBindRenderbufferOES(GL_RENDERBUFFER_OES, colour);
    oes::glRenderbufferStorageOES(GL_RENDERBUFFER_OES, GL_RGBA8_OES, kWidth, kHeight);
    oes::glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES,
                                      colour);
    if (oes::glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES) != GL_FRAMEBUFFER_COMPLETE_OES) return false;
    setUpTexture(texels);
    glMatrixMode(GL_PROJECTION);
    qvglPerspective(75, float(kWidth) / kHeight, 1, 25);
    glMatrixMode(GL_MODELVIEW);
    qvglLookAt(0, 1, 0, 0, 0, 0, 1, 0, 0);
    q = qvglNewQuadric();
    qvglQuadricNormals(q, GLU_SMOOTH);
    qvglQuadricTexture(q, GL_TRUE);
    GLContext::setCurrent(nullptr);
    return true;
  }
  double run() {
    GLContext::setCurrent(context);
    const double t = secondsPerDraw([&] { qvglSphere(q, 20, 60, 60); });
    GLContext::setCurrent(nullptr);
    return t;
  }
};

struct Peer {
  std::shared_ptr<EglContext> context = EglContext::create(EglContext::Api::DesktopGL);
  GLUquadricObj* q = nullptr;
  bool setUp(const std::vector<uint8_t>& texels) {
    if (!context || !GLContext::setCurrent(context)) return false;
    auto genF = reinterpret_cast<void (*)(GLsizei, GLuint*)>(eglGetProcAddress("glGenFramebuffers"));
    auto bindF = reinterpret_cast<void (*)(GLenum, GLuint)>(eglGetProcAddress("glBindFramebuffer"));
    auto genR = reinterpret_cast<void (*)(GLsizei, GLuint*)>(eglGetProcAddress("glGenRenderbuffers"));
    auto bindR = reinterpret_cast<void (*)(GLenum, GLuint)>(eglGetProcAddress("glBindRenderbuffer"));
    auto storage = reinterpret_cast<void (*)(GLenum, GLenum, GLsizei, GLsizei)>(
        eglGetProcAddress("glRenderbufferStorage"));
    auto attach = reinterpret_cast<void (*)(GLenum, GLenum, GLenum, GLuint)>(
        eglGetProcAddress("glFramebufferRenderbuffer"));
    auto status = reinterpret_cast<GLenum (*)(GLenum)>(eglGetProcAddress("glCheckFramebufferStatus"));
    if (!genF || !bindF || !genR || !bindR || !storage || !attach || !status) return false;
    GLuint framebuffer, colour;
    genF(1, &framebuffer);
    bindF(GL_FRAMEBUFFER, framebuffer);
    genR(1, &colour);
    bindR(GL_RENDERBUFFER, colour);
    storage(GL_RENDERBUFFER, GL_RGBA8, kWidth, kHeight);
    attach(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    if (status(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return false;
    setUpTexture(texels);
    glMatrixMode(GL_PROJECTION);
    gluPerspective(75, double(kWidth) / kHeight, 1, 25);
    glMatrixMode(GL_MODELVIEW);
    gluLookAt(0, 1, 0, 0, 0, 0, 1, 0, 0);
    q = gluNewQuadric();
    gluQuadricNormals(q, GLU_SMOOTH);
    gluQuadricTexture(q, GL_TRUE);
    GLContext::setCurrent(nullptr);
    return true;
  }
  double run() {
    GLContext::setCurrent(context);
    const double t = secondsPerDraw([&] { gluSphere(q, 20, 60, 60); });
    GLContext::setCurrent(nullptr);
    return t;
  }
  double compileOnly() {
    GLContext::setCurrent(context);
    const GLuint list = glGenLists(1);
    const double start = now();
    for (int i = 0; i < kTessellations; ++i) {
      glNewList(list, GL_COMPILE);
      gluSphere(q, 20, 60, 60);
      glEndList();
    }
    const double t = (now() - start) / kTessellations;
    glDeleteLists(list, 1);
    GLContext::setCurrent(nullptr);
    return t;
  }
};

// Sees every call and keeps it from GL.
struct Drop : GLCallObserver {
  bool forwardToGL() const override { return false; }
  void drawArrays(GLenum, GLint, GLsizei count) override { vertices += count; }
  long vertices = 0;
};

double tessellationOnly(qv::GLUquadric* q) {
  Drop drop;
  glseam::ScopedObserver scoped(&drop);
  const double start = now();
  for (int i = 0; i < kTessellations; ++i) qvglSphere(q, 20, 60, 60);
  const double t = (now() - start) / kTessellations;
  if (drop.vertices != long(kTessellations) * 60 * 122)
    std::printf("unexpected vertex count %ld\n", drop.vertices);
  return t;
}

}  // namespace

int main() {
  const auto texels = pattern();
  Kit kit;
  Peer peer;
  if (!kit.setUp(texels) || !peer.setUp(texels)) {
    std::fprintf(stderr, "could not set up the GL ES and desktop GL targets\n");
    return 1;
  }
  kit.run();  // warm-up: shader compilation, texture residency
  peer.run();
  std::vector<double> ours, theirs, oursTess, theirsTess;
  for (int round = 0; round < kRounds; ++round) {
    ours.push_back(kit.run());
    theirs.push_back(peer.run());
    oursTess.push_back(tessellationOnly(kit.q));
    theirsTess.push_back(peer.compileOnly());
  }
  const double a = median(ours), b = median(theirs), c = median(oursTess), d = median(theirsTess);
  std::printf("sphere 20, 60x60, textured, 1280x720 (median of %d rounds of %d draws)\n", kRounds, kDraws);
  std::printf("  draw        qvglSphere (GL ES) %8.1f us   gluSphere (desktop GL) %8.1f us   ratio %.2fx\n",
              a * 1e6, b * 1e6, a / b);
  std::printf("  tessellate  qvglSphere (no GL) %8.1f us   gluSphere (display list) %6.1f us   ratio %.2fx\n",
              c * 1e6, d * 1e6, c / d);
  qvglDeleteQuadric(kit.q);
  return 0;
}
