#include "qv/glu/Projection.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "qv/core/Mat4f.h"
#include "qv/glu/GLSeam.h"

namespace {

// Sees the matrix calls and keeps them from GL, so these cases need no context.
struct MatrixCalls : GLCallObserver {
  bool forwardToGL() const override { return false; }
  void multMatrixf(const GLfloat* m) override {
    multiplied.push_back(std::to_array(*reinterpret_cast<const GLfloat(*)[16]>(m)));
  }
  void translatef(GLfloat x, GLfloat y, GLfloat z) override { translated.push_back({x, y, z}); }
  void scalef(GLfloat x, GLfloat y, GLfloat z) override { scaled.push_back({x, y, z}); }
  void orthof(GLfloat l, GLfloat r, GLfloat b, GLfloat t, GLfloat n, GLfloat f) override {
    ortho = {l, r, b, t, n, f};
  }
  std::vector<std::array<GLfloat, 16>> multiplied;
  std::vector<std::array<GLfloat, 3>> translated, scaled;
  std::array<GLfloat, 6> ortho{};
};

const GLint kViewport[4] = {10, 20, 640, 480};

// A camera like the renderers': perspective, a turn, then the look-at.
void cameraMatrices(GLfloat model[16], GLfloat projection[16]) {
  MatrixCalls calls;
  glseam::ScopedObserver scoped(&calls);
  qvglPerspective(75, 640.0f / 480, 1, 25);
  std::copy(calls.multiplied[0].begin(), calls.multiplied[0].end(), projection);
  qvglLookAt(0, 1, 0, 0, 0, 0, 1, 0, 0);
  const float axis[3] = {0.3f, 1, 0.2f};
  float rotation[16];
  mat4f_initRotation(rotation, axis, 0.8f);
  float lookAt[16];
  std::copy(calls.multiplied[1].begin(), calls.multiplied[1].end(), lookAt);
  const float t[3] = {calls.translated[0][0], calls.translated[0][1], calls.translated[0][2]};
  mat4f_translate_accum(lookAt, t);
  mat4f_multiplyMatrix(lookAt, rotation, model);
}

}  // namespace

TEST(ProjectionTest, PerspectiveMatrixAndItsDegenerateCases) {
  MatrixCalls calls;
  glseam::ScopedObserver scoped(&calls);
  qvglPerspective(60, 1, 1, 25);
  ASSERT_EQ(calls.multiplied.size(), 1u);
  const auto& m = calls.multiplied[0];
  EXPECT_FLOAT_EQ(m[0], 1.0f / std::tan(float(M_PI / 6)));
  EXPECT_FLOAT_EQ(m[5], m[0]);
  EXPECT_FLOAT_EQ(m[10], -26.0f / 24);
  EXPECT_FLOAT_EQ(m[14], -50.0f / 24);
  EXPECT_EQ(m[11], -1.0f);
  EXPECT_EQ(m[15], 0.0f);
  for (int i : {1, 2, 3, 4, 6, 7, 8, 9, 12, 13}) EXPECT_EQ(m[i], 0.0f) << i;

  qvglPerspective(60, 0, 1, 25);
  qvglPerspective(60, 1, 5, 5);
  qvglPerspective(0, 1, 1, 25);
  EXPECT_EQ(calls.multiplied.size(), 1u);
}

TEST(ProjectionTest, LookAtOfTheRenderersAndWithEyeOnCenter) {
  MatrixCalls calls;
  glseam::ScopedObserver scoped(&calls);
  qvglLookAt(0, 1, 0, 0, 0, 0, 1, 0, 0);
  ASSERT_EQ(calls.multiplied.size(), 1u);
  const std::array<GLfloat, 16> expected = {0, 1, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 1};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(std::fabs(calls.multiplied[0][i]), expected[i]) << i;
  EXPECT_EQ(calls.multiplied[0][8], 1.0f);
  EXPECT_EQ(calls.multiplied[0][1], 1.0f);
  EXPECT_EQ(calls.multiplied[0][6], 1.0f);
  ASSERT_EQ(calls.translated.size(), 1u);
  EXPECT_EQ(calls.translated[0], (std::array<GLfloat, 3>{-0.0f, -1, -0.0f}));

  // Eye on center: forward and side stay zero; the eye translation still happens.
  qvglLookAt(2, 3, 4, 2, 3, 4, 0, 1, 0);
  const auto& m = calls.multiplied[1];
  for (int i : {0, 1, 2, 4, 5, 6, 8, 9, 10}) EXPECT_EQ(m[i], 0.0f) << i;
  EXPECT_EQ(m[15], 1.0f);
  EXPECT_EQ(calls.translated[1], (std::array<GLfloat, 3>{-2, -3, -4}));
}

TEST(ProjectionTest, OrthoAndPickMatrix) {
  MatrixCalls calls;
  glseam::ScopedObserver scoped(&calls);
  qvglOrtho2D(0, 1280, 0, 720);
  EXPECT_EQ(calls.ortho, (std::array<GLfloat, 6>{0, 1280, 0, 720, -1, 1}));

  qvglPickMatrix(100, 200, 0, 5, kViewport);
  qvglPickMatrix(100, 200, 5, -1, kViewport);
  EXPECT_TRUE(calls.translated.empty());
  EXPECT_TRUE(calls.scaled.empty());
  qvglPickMatrix(100, 200, 4, 8, kViewport);
  ASSERT_EQ(calls.translated.size(), 1u);
  EXPECT_EQ(calls.translated[0], (std::array<GLfloat, 3>{(640 - 2 * 90) / 4.0f, (480 - 2 * 180) / 8.0f, 0}));
  EXPECT_EQ(calls.scaled[0], (std::array<GLfloat, 3>{160, 60, 1}));
}

TEST(ProjectionTest, InvertMatrixByCofactorsAgreesWithEliminationAndMayWorkInPlace) {
  GLfloat model[16], projection[16];
  cameraMatrices(model, projection);
  GLfloat combined[16], cofactor[16], elimination[16];
  __qvglMultMatricesf(model, projection, combined);
  float reference[16];
  mat4f_multiplyMatrix(projection, model, reference);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(combined[i], reference[i], 1e-6f);

  ASSERT_EQ(__qvglInvertMatrixf(combined, cofactor), GL_TRUE);
  mat4f_inverse(combined, elimination);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(cofactor[i], elimination[i], 1e-4f) << i;
  ASSERT_EQ(__qvglInvertMatrixf(combined, combined), GL_TRUE);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(combined[i], cofactor[i]) << i;

  GLfloat singular[16] = {}, untouched[16];
  std::fill(untouched, untouched + 16, 7.0f);
  EXPECT_EQ(__qvglInvertMatrixf(singular, untouched), GL_FALSE);
  EXPECT_EQ(untouched[5], 7.0f);
}

TEST(ProjectionTest, ProjectAndUnProjectRoundTrip) {
  GLfloat model[16], projection[16];
  cameraMatrices(model, projection);
  const GLfloat points[][3] = {{0.2f, -3, 1}, {4, -10, -2}, {-1, -2, 0.5f}, {0, -24, 0}};
  for (const auto& p : points) {
    SCOPED_TRACE(::testing::Message() << p[0] << " " << p[1] << " " << p[2]);
    GLfloat win[3], obj[3], obj4[4];
    ASSERT_EQ(qvglProject(p[0], p[1], p[2], model, projection, kViewport, &win[0], &win[1], &win[2]),
              GL_TRUE);
    ASSERT_EQ(qvglUnProject(win[0], win[1], win[2], model, projection, kViewport, &obj[0], &obj[1], &obj[2]),
              GL_TRUE);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(obj[i], p[i], 2e-3f * (1 + std::fabs(p[i])));
    // With the depth range 0..1 and clip w 1, UnProject4 is UnProject before the division.
    ASSERT_EQ(qvglUnProject4(win[0], win[1], win[2], 1, model, projection, kViewport, 0, 1, &obj4[0],
                             &obj4[1], &obj4[2], &obj4[3]),
              GL_TRUE);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(obj4[i] / obj4[3], obj[i], 1e-5f * (1 + std::fabs(p[i])));
  }
}

TEST(ProjectionTest, UnProjectIdentityAndFailures) {
  GLfloat identity[16];
  mat4f_identity(identity);
  const GLint viewport[4] = {0, 0, 200, 100};
  GLfloat x = 9, y = 9, z = 9;
  ASSERT_EQ(qvglUnProject(100, 50, 0.5f, identity, identity, viewport, &x, &y, &z), GL_TRUE);
  EXPECT_EQ(x, 0.0f);
  EXPECT_EQ(y, 0.0f);
  EXPECT_EQ(z, 0.0f);

  GLfloat singular[16] = {};
  x = y = z = 9;
  EXPECT_EQ(qvglUnProject(100, 50, 0.5f, singular, identity, viewport, &x, &y, &z), GL_FALSE);
  GLfloat w = 9;
  EXPECT_EQ(qvglUnProject4(100, 50, 0.5f, 1, identity, singular, viewport, 0, 1, &x, &y, &z, &w), GL_FALSE);
  EXPECT_EQ(x, 9.0f);
  EXPECT_EQ(w, 9.0f);

  // A point on the eye plane of a perspective projection has w = 0.
  GLfloat model[16], projection[16];
  cameraMatrices(model, projection);
  mat4f_identity(model);
  EXPECT_EQ(qvglProject(1, 1, 0, model, projection, viewport, &x, &y, &z), GL_FALSE);
  EXPECT_EQ(x, 9.0f);
}
