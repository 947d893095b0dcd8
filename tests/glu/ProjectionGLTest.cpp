// The projection and camera functions on a GL ES context against Mesa's libGLU on a desktop context of the
// same driver: the resulting matrices element by element, and project / unproject results.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <vector>

#include "qv/glu/Projection.h"
#include "tests/support/GLTestSupport.h"

using namespace qv;

namespace {

using Matrix = std::array<GLfloat, 16>;

// A starting matrix that is not the identity, so the functions must multiply onto it.
const GLfloat kStart[16] = {0.9f, 0.1f, 0, 0, -0.1f, 0.9f, 0.2f, 0, 0, -0.2f, 1.1f, 0, 0.5f, -1, 2, 1};

struct Call {
  const char* what;
  std::function<void()> reference;  // libGLU, on the desktop context
  std::function<void()> ours;       // on the GL ES context
};

std::vector<Call> calls() {
  static const GLint viewport[4] = {0, 0, 1280, 720};
  std::vector<Call> out;
  const GLfloat perspectives[][4] = {{60, 1, 1, 25},      {75, 1280.0f / 720, 1, 25},
                                     {90, 0.5f, 1, 1000}, {30, 2, 0.1f, 100},
                                     {60, 0, 1, 25},      {60, 1, 5, 5},
                                     {0, 1, 1, 25},       {179, 1, 0.5f, 10}};
  for (const auto& p : perspectives)
    out.push_back({"perspective", [p] { gluPerspective(p[0], p[1], p[2], p[3]); },
                   [p] { qvglPerspective(p[0], p[1], p[2], p[3]); }});
  const GLfloat lookAts[][9] = {{0, 1, 0, 0, 0, 0, 1, 0, 0},
                                {1, 2, 3, -4, 0.5f, 2, 0, 1, 0},
                                {0, 0, 5, 0, 0, 0, 0.3f, 1, 0.1f},
                                {2, 3, 4, 2, 3, 4, 0, 1, 0},
                                {0, 0, 0, 0, 0, -1, 0, 0, -1}};
  for (const auto& l : lookAts)
    out.push_back({"lookAt", [l] { gluLookAt(l[0], l[1], l[2], l[3], l[4], l[5], l[6], l[7], l[8]); },
                   [l] { qvglLookAt(l[0], l[1], l[2], l[3], l[4], l[5], l[6], l[7], l[8]); }});
  const GLfloat picks[][4] = {{640, 360, 5, 5}, {10, 700, 20, 3}, {100, 100, 0, 5}, {100, 100, 5, -1}};
  for (const auto& p : picks)
    out.push_back({"pickMatrix", [p] { gluPickMatrix(p[0], p[1], p[2], p[3], const_cast<GLint*>(viewport)); },
                   [p] { qvglPickMatrix(p[0], p[1], p[2], p[3], viewport); }});
  out.push_back({"ortho2D", [] { gluOrtho2D(0, 1280, 0, 720); }, [] { qvglOrtho2D(0, 1280, 0, 720); }});
  return out;
}

std::vector<Matrix> run(bool reference) {
  std::vector<Matrix> results;
  for (const auto& call : calls()) {
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(kStart);
    (reference ? call.reference : call.ours)();
    Matrix m;
    glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
    results.push_back(m);
  }
  return results;
}

}  // namespace

TEST(ProjectionGLTest, MatricesMatchLibGLU) {
  std::vector<Matrix> reference, ours;
  {
    ScopedGLContext desktop(EglContext::Api::DesktopGL);
    ASSERT_TRUE(desktop.ok());
    reference = run(true);
    ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  }
  {
    ScopedGLContext es;
    ASSERT_TRUE(es.ok());
    ours = run(false);
    ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  }
  const auto list = calls();
  ASSERT_EQ(reference.size(), ours.size());
  for (size_t k = 0; k < ours.size(); ++k) {
    SCOPED_TRACE(::testing::Message() << list[k].what << " #" << k);
    GLfloat scale = 1;
    for (GLfloat v : reference[k]) scale = std::max(scale, std::fabs(v));
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(ours[k][i], reference[k][i], 4e-6f * scale) << "element " << i;
  }
}

TEST(ProjectionGLTest, ProjectAndUnProjectMatchLibGLU) {
  GLfloat model[16], projection[16];
  GLdouble modelD[16], projectionD[16];
  {
    // The renderers' camera, built by the functions under test on the GL ES context.
    ScopedGLContext es;
    ASSERT_TRUE(es.ok());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    qvglPerspective(70, 1280.0f / 720, 1, 25);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(25, 1, 0, 0);
    glRotatef(-40, 0, 0, 1);
    qvglLookAt(0, 1, 0, 0, 0, 0, 1, 0, 0);
    glGetFloatv(GL_MODELVIEW_MATRIX, model);
  }
  for (int i = 0; i < 16; ++i) modelD[i] = model[i], projectionD[i] = projection[i];
  const GLint viewport[4] = {0, 0, 1280, 720};
  auto unProjectBoth = [&](const GLfloat win[3]) {
    GLfloat obj[4];
    GLdouble objD[4];
    ASSERT_TRUE(
        qvglUnProject(win[0], win[1], win[2], model, projection, viewport, &obj[0], &obj[1], &obj[2]));
    ASSERT_TRUE(
        gluUnProject(win[0], win[1], win[2], modelD, projectionD, viewport, &objD[0], &objD[1], &objD[2]));
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(obj[i], objD[i], 2e-3 * (1 + std::fabs(objD[i])));
    ASSERT_TRUE(qvglUnProject4(win[0], win[1], win[2], 1, model, projection, viewport, 0.1f, 0.9f, &obj[0],
                               &obj[1], &obj[2], &obj[3]));
    ASSERT_TRUE(gluUnProject4(win[0], win[1], win[2], 1, modelD, projectionD, viewport, 0.1, 0.9, &objD[0],
                              &objD[1], &objD[2], &objD[3]));
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(obj[i], objD[i], 2e-4 * (1 + std::fabs(objD[i])));
  };
  const GLfloat points[][3] = {{0.5f, -3, 1}, {-4, -8, 2}, {1, -20, -3}, {0.1f, -1.5f, 0.2f}};
  for (const auto& p : points) {
    SCOPED_TRACE(::testing::Message() << p[0] << " " << p[1] << " " << p[2]);
    GLfloat win[3];
    GLdouble winD[3];
    ASSERT_TRUE(qvglProject(p[0], p[1], p[2], model, projection, viewport, &win[0], &win[1], &win[2]));
    ASSERT_TRUE(gluProject(p[0], p[1], p[2], modelD, projectionD, viewport, &winD[0], &winD[1], &winD[2]));
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(win[i], winD[i], i < 2 ? 1e-3 : 1e-6);
    unProjectBoth(win);
  }
  // The renderers unproject the window point at depth 1 (the far plane).
  const GLfloat farPoint[3] = {300, 720 - 200, 1};
  unProjectBoth(farPoint);
}

TEST(ProjectionGLTest, SingularMatricesLeaveTheOutputsAlone) {
  const GLfloat identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  const GLfloat singular[16] = {1, 2, 3, 4, 2, 4, 6, 8, 0, 0, 1, 0, 0, 0, 0, 1};
  const GLint viewport[4] = {0, 0, 200, 100};
  GLfloat x = 9, y = 9, z = 9, w = 9;
  EXPECT_EQ(qvglUnProject(100, 50, 0.5f, singular, identity, viewport, &x, &y, &z), GL_FALSE);
  EXPECT_EQ(qvglUnProject4(100, 50, 0.5f, 1, identity, singular, viewport, 0, 1, &x, &y, &z, &w), GL_FALSE);
  EXPECT_EQ(std::vector<GLfloat>({x, y, z, w}), std::vector<GLfloat>(4, 9));
  ASSERT_EQ(qvglUnProject(100, 50, 0.5f, identity, identity, viewport, &x, &y, &z), GL_TRUE);
  EXPECT_EQ(std::vector<GLfloat>({x, y, z}), std::vector<GLfloat>(3, 0));

  // The cofactor inverse may work in place.
  GLfloat m[16] = {2, 0.5f, -1, 0, 0.25f, 3, 1, 0, -2, 0.75f, 1.5f, 0, 4, -5, 6, 1}, inverse[16];
  ASSERT_EQ(__qvglInvertMatrixf(m, inverse), GL_TRUE);
  ASSERT_EQ(__qvglInvertMatrixf(m, m), GL_TRUE);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], inverse[i]);
}
