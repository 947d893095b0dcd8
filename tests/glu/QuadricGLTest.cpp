// Quadrics against Mesa's libGLU, both drawn on one desktop GL context in feedback mode, so both go through
// the same transformation, lighting and primitive decomposition; and the callers' textured sphere drawn on a
// GL ES context. Where the tessellations legitimately differ (libGLU's quad strips split along the other
// diagonal; single-precision angle constants; the exactly pointed poles), the comparison is of vertex sets
// and covered areas rather than of primitive order, within single-precision tolerance.
#include <EGL/egl.h>
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "qv/glu/Projection.h"
#include "qv/glu/Quadric.h"
#include "tests/support/GLTestSupport.h"

using namespace qv;

namespace {

// Window position (x, y, z), lit colour (r, g, b, a), texture coordinate (s, t, r, q).
constexpr int kValues = 11;
using FeedbackVertex = std::array<GLfloat, kValues>;

struct Capture {
  std::vector<FeedbackVertex> points, lines, triangles;  // 1, 2 and 3 vertices per primitive
};

Capture parse(const std::vector<GLfloat>& buffer, GLint size) {
  Capture c;
  auto take = [&](GLint& k, std::vector<FeedbackVertex>& to) {
    to.emplace_back();
    std::copy(buffer.begin() + k, buffer.begin() + k + kValues, to.back().begin());
    k += kValues;
  };
  for (GLint k = 0; k < size;) {
    const auto token = GLint(buffer[k++]);
    if (token == GL_POINT_TOKEN) {
      take(k, c.points);
    } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
      take(k, c.lines), take(k, c.lines);
    } else if (token == GL_POLYGON_TOKEN) {
      std::vector<FeedbackVertex> polygon;
      for (GLint i = 0, n = GLint(buffer[k++]); i < n; ++i) take(k, polygon);
      for (size_t i = 1; i + 1 < polygon.size(); ++i)
        c.triangles.insert(c.triangles.end(), {polygon[0], polygon[i], polygon[i + 1]});
    } else {
      ADD_FAILURE() << "unexpected feedback token " << token;
      break;
    }
  }
  return c;
}

// Per-component tolerance: window x and y (1000 px across 80 units), depth, colour, texture.
bool near(const FeedbackVertex& a, const FeedbackVertex& b, bool compareColour) {
  static const GLfloat tolerance[kValues] = {2e-3f, 2e-3f, 1e-5f, 2e-3f, 2e-3f, 2e-3f,
                                             1e-6f, 2e-5f, 2e-5f, 1e-6f, 1e-6f};
  for (int i = 0; i < kValues; ++i) {
    if (!compareColour && i >= 3 && i < 7) continue;
    if (std::fabs(a[i] - b[i]) > tolerance[i]) return false;
  }
  return true;
}

// Every vertex of one list has a match in the other; returns the number without one.
int unmatched(std::vector<FeedbackVertex> from, std::vector<FeedbackVertex> in, bool compareColour) {
  auto byX = [](const FeedbackVertex& a, const FeedbackVertex& b) { return a[0] < b[0]; };
  std::sort(in.begin(), in.end(), byX);
  int missing = 0;
  for (const auto& v : from) {
    FeedbackVertex low = v;
    low[0] -= 2e-3f;
    bool found = false;
    for (auto it = std::lower_bound(in.begin(), in.end(), low, byX);
         it != in.end() && (*it)[0] <= v[0] + 2e-3f; ++it)
      if (near(v, *it, compareColour)) {
        found = true;
        break;
      }
    if (!found) ++missing;
  }
  return missing;
}

// The window-space area of front-facing (counter-clockwise) and back-facing triangles, and the signed area
// weighted by depth: a closed surface shows as much front as back, but only the correct winding puts the
// front faces on the near side.
struct Areas {
  double front = 0, back = 0, byDepth = 0;
};
Areas areas(const std::vector<FeedbackVertex>& t) {
  Areas out;
  for (size_t k = 0; k + 2 < t.size(); k += 3) {
    const double a = 0.5 * ((t[k + 1][0] - t[k][0]) * (t[k + 2][1] - t[k][1]) -
                            (t[k + 2][0] - t[k][0]) * (t[k + 1][1] - t[k][1]));
    (a > 0 ? out.front : out.back) += std::fabs(a);
    out.byDepth += a * ((t[k][2] + t[k + 1][2] + t[k + 2][2]) / 3 - 0.5);
  }
  return out;
}

enum class Shape { Sphere, Cylinder, PartialDisk };
struct ShapeArgs {
  Shape shape;
  GLfloat a, b, c;  // radius | base, top, height | inner, outer
  GLint n1, n2;     // slices, stacks | slices, loops
  GLfloat d, e;     // start and sweep of a partial disk
};

template <typename F>
F proc(const char* name) {
  return reinterpret_cast<F>(eglGetProcAddress(name));
}

// A desktop framebuffer object to draw into (entry points beyond GL 1.1).
struct DesktopFramebuffer {
  DesktopFramebuffer() {
    proc<void (*)(GLsizei, GLuint*)>("glGenFramebuffers")(1, &framebuffer);
    proc<void (*)(GLenum, GLuint)>("glBindFramebuffer")(GL_FRAMEBUFFER, framebuffer);
    proc<void (*)(GLsizei, GLuint*)>("glGenRenderbuffers")(1, &colour);
    proc<void (*)(GLenum, GLuint)>("glBindRenderbuffer")(GL_RENDERBUFFER, colour);
    proc<void (*)(GLenum, GLenum, GLsizei, GLsizei)>("glRenderbufferStorage")(GL_RENDERBUFFER, GL_RGBA8, 16,
                                                                              16);
    proc<void (*)(GLenum, GLenum, GLenum, GLuint)>("glFramebufferRenderbuffer")(
        GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
  }
  ~DesktopFramebuffer() {
    proc<void (*)(GLenum, GLuint)>("glBindFramebuffer")(GL_FRAMEBUFFER, 0);
    proc<void (*)(GLsizei, const GLuint*)>("glDeleteFramebuffers")(1, &framebuffer);
    proc<void (*)(GLsizei, const GLuint*)>("glDeleteRenderbuffers")(1, &colour);
  }
  GLuint framebuffer = 0, colour = 0;
};

void setUpFeedbackScene() {
  glViewport(0, 0, 1000, 1000);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-40, 40, -40, 40, -40, 40);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glRotatef(35, 1, 0.4f, 0);  // tilted, so disks and rings are seen at a slant
  glShadeModel(GL_SMOOTH);
  glDisable(GL_CULL_FACE);
  // Three coloured directional lights encode the normal in the lit colour.
  glEnable(GL_LIGHTING);
  const GLfloat lights[3][4] = {{0.6f, 0.48f, 0.64f, 0}, {-0.6f, -0.48f, -0.64f, 0}, {0.8f, -0.6f, 0, 0}};
  for (int i = 0; i < 3; ++i) {
    GLfloat diffuse[4] = {0, 0, 0, 1};
    diffuse[i] = 1;
    const GLfloat black[4] = {0, 0, 0, 1};
    glEnable(GL_LIGHT0 + i);
    glLightfv(GL_LIGHT0 + i, GL_POSITION, lights[i]);
    glLightfv(GL_LIGHT0 + i, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0 + i, GL_SPECULAR, black);
  }
}

// Mesa's feedback path now and then keeps a driver buffer of about 512 KiB that it never frees: the capture
// is test scaffolding, so its driver allocations are not counted as leaks.
struct IgnoreDriverLeaks {
#if defined(__SANITIZE_ADDRESS__)
  IgnoreDriverLeaks() {
    __lsan_disable();
  }
  ~IgnoreDriverLeaks() {
    __lsan_enable();
  }
#endif
};

template <typename Q, typename Draw>
Capture feedback(Q* q, const ShapeArgs& s, Draw draw) {
  [[maybe_unused]] IgnoreDriverLeaks ignore;
  std::vector<GLfloat> buffer(4 << 20);
  glFeedbackBuffer(GLsizei(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
  glRenderMode(GL_FEEDBACK);
  // Same current normal and texture coordinate before each, for the options that set none.
  glNormal3f(0.3f, 0.4f, 0.866f);
  glTexCoord4f(0.25f, 0.75f, 0, 1);
  draw(q, s);
  const GLint size = glRenderMode(GL_RENDER);
  EXPECT_GE(size, 0) << "feedback buffer overflow";
  return parse(buffer, size);
}

void drawReference(GLUquadricObj* q, const ShapeArgs& s) {
  s.shape == Shape::Sphere     ? gluSphere(q, s.a, s.n1, s.n2)
  : s.shape == Shape::Cylinder ? gluCylinder(q, s.a, s.b, s.c, s.n1, s.n2)
                               : gluPartialDisk(q, s.a, s.b, s.n1, s.n2, s.d, s.e);
}

void drawOurs(qv::GLUquadric* q, const ShapeArgs& s) {
  s.shape == Shape::Sphere     ? qvglSphere(q, s.a, s.n1, s.n2)
  : s.shape == Shape::Cylinder ? qvglCylinder(q, s.a, s.b, s.c, s.n1, s.n2)
                               : qvglPartialDisk(q, s.a, s.b, s.n1, s.n2, s.d, s.e);
}

}  // namespace

TEST(QuadricGLTest, TessellationMatchesLibGLU) {
  ScopedGLContext desktop(EglContext::Api::DesktopGL);
  ASSERT_TRUE(desktop.ok());
  DesktopFramebuffer framebuffer;
  setUpFeedbackScene();

  const ShapeArgs shapes[] = {
      {Shape::Sphere, 20, 0, 0, 60, 60, 0, 0},         {Shape::Sphere, 15, 0, 0, 7, 3, 0, 0},
      {Shape::Sphere, 10, 0, 0, 2, 1, 0, 0},           {Shape::Sphere, 18, 0, 0, 13, 9, 0, 0},
      {Shape::Cylinder, 19, 19, 30, 60, 10, 0, 0},     {Shape::Cylinder, 5, 2, 8, 9, 4, 0, 0},
      {Shape::Cylinder, 0, 6, 10, 7, 3, 0, 0},         {Shape::PartialDisk, 0, 6.7f, 0, 60, 2, 0, 360},
      {Shape::PartialDisk, 2, 8, 0, 11, 5, 0, 360},    {Shape::PartialDisk, 0, 8, 0, 9, 3, 30, 200},
      {Shape::PartialDisk, 2, 8, 0, 10, 4, -45, -100}, {Shape::PartialDisk, 3, 3, 0, 8, 2, 0, 90},
      {Shape::PartialDisk, 1, 8, 0, 12, 3, 10, 720},
  };
  int compared = 0;
  for (GLenum style : {GLU_FILL, GLU_POINT, GLU_LINE, GLU_SILHOUETTE})
    for (GLenum orientation : {GLU_OUTSIDE, GLU_INSIDE})
      for (GLenum normals : {GLU_SMOOTH, GLU_FLAT, GLU_NONE})
        for (bool textured : {true, false})
          for (const ShapeArgs& s : shapes) {
            SCOPED_TRACE(::testing::Message()
                         << "shape " << int(s.shape) << " (" << s.a << ", " << s.b << ", " << s.c << ", "
                         << s.n1 << ", " << s.n2 << ", " << s.d << ", " << s.e << ") style " << style
                         << " orientation " << orientation << " normals " << normals << " textured "
                         << textured);
            GLUquadricObj* reference = gluNewQuadric();
            gluQuadricDrawStyle(reference, style);
            gluQuadricOrientation(reference, orientation);
            gluQuadricNormals(reference, normals);
            gluQuadricTexture(reference, textured);
            qv::GLUquadric* ours = qvglNewQuadric();
            qvglQuadricDrawStyle(ours, style);
            qvglQuadricOrientation(ours, orientation);
            qvglQuadricNormals(ours, normals);
            qvglQuadricTexture(ours, textured);

            const Capture expected = feedback(reference, s, drawReference);
            const Capture actual = feedback(ours, s, drawOurs);
            gluDeleteQuadric(reference);
            qvglDeleteQuadric(ours);

            // Flat normals differ in which vertex carries them (libGLU sets them per quad, after the first
            // vertex of a pair); only smooth and absent normals are compared through the lit colour.
            const bool colour = normals != GLU_FLAT;
            EXPECT_GT(expected.points.size() + expected.lines.size() + expected.triangles.size(), 0u);
            EXPECT_EQ(actual.points.size(), expected.points.size());
            EXPECT_EQ(actual.lines.size(), expected.lines.size());
            for (auto member : {&Capture::points, &Capture::lines, &Capture::triangles}) {
              EXPECT_EQ(unmatched(actual.*member, expected.*member, colour), 0);
              EXPECT_EQ(unmatched(expected.*member, actual.*member, colour), 0);
            }
            const Areas got = areas(actual.triangles), want = areas(expected.triangles);
            const double total = want.front + want.back;
            EXPECT_NEAR(got.front, want.front, 1e-3 * total + 1e-2);
            EXPECT_NEAR(got.back, want.back, 1e-3 * total + 1e-2);
            EXPECT_NEAR(got.byDepth, want.byDepth, 1e-3 * total + 1e-2);
            ++compared;
            if (HasFailure()) return;  // one failing configuration says enough
          }
  EXPECT_EQ(compared, 4 * 2 * 3 * 2 * 13);
}
