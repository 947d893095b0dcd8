#include "qv/core/Rotation.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <tuple>

using namespace qv;

namespace {

using M3 = std::array<std::array<double, 3>, 3>;

M3 rx(double a) {
  return {{{1, 0, 0}, {0, std::cos(a), -std::sin(a)}, {0, std::sin(a), std::cos(a)}}};
}
M3 ry(double a) {
  return {{{std::cos(a), 0, std::sin(a)}, {0, 1, 0}, {-std::sin(a), 0, std::cos(a)}}};
}
M3 rz(double a) {
  return {{{std::cos(a), -std::sin(a), 0}, {std::sin(a), std::cos(a), 0}, {0, 0, 1}}};
}

M3 mul(const M3& a, const M3& b) {
  M3 r{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      for (int k = 0; k < 3; ++k) r[i][j] += a[i][k] * b[k][j];
  return r;
}

M3 transpose(const M3& m) {
  return {{{m[0][0], m[1][0], m[2][0]}, {m[0][1], m[1][1], m[2][1]}, {m[0][2], m[1][2], m[2][2]}}};
}

M3 toArray(const RotationMatrix& m) {
  return {{{m.m11, m.m12, m.m13}, {m.m21, m.m22, m.m23}, {m.m31, m.m32, m.m33}}};
}

void expectNear(const M3& expected, const RotationMatrix& actual, double tolerance) {
  const M3 a = toArray(actual);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(expected[i][j], a[i][j], tolerance) << "m" << i + 1 << j + 1;
}

// Finite, orthonormal, determinant +1.
void expectProperRotation(const RotationMatrix& r) {
  const M3 m = toArray(r), product = mul(transpose(m), m);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      ASSERT_TRUE(std::isfinite(m[i][j]));
      EXPECT_NEAR(product[i][j], i == j ? 1.0 : 0.0, 1e-6);
    }
  // Orthonormal with the third column the cross product of the first two: determinant +1.
  for (int i = 0; i < 3; ++i)
    EXPECT_NEAR(m[(i + 1) % 3][0] * m[(i + 2) % 3][1] - m[(i + 2) % 3][0] * m[(i + 1) % 3][1], m[i][2], 1e-6);
}

const M3 kIdentity = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
const double kAngles[][3] = {{0, 0, 0}, {0.3, -1.1, 2.0}, {M_PI / 2, 0.2, -0.7}, {-2.5, 3.0, 0.01}};

}  // namespace

TEST(RotationTest, EulerMatricesAreTheDocumentedProductsOfAxisRotations) {
  for (const auto& a : kAngles) {
    expectNear(mul(rx(a[2]), mul(ry(a[0]), rz(a[1]))), pyrToMatrix2(a[0], a[1], a[2]), 1e-12);
    expectNear(mul(rz(a[1]), mul(ry(a[0]), rx(a[2]))), pyrToMatrix(a[0], a[1], a[2]), 1e-12);
    expectNear(mul(ry(a[0]), mul(rz(a[1]), rx(a[2]))), rotationRadToMatrix(a[0], a[1], a[2]), 1e-12);
    // The quaternion of (h, a, b) is that same rotation; its matrix is given transposed.
    const Quaternion q = quaternionFromEuler(a[0], a[1], a[2]);
    const M3 expected = mul(ry(a[0]), mul(rz(a[1]), rx(a[2])));
    expectNear(transpose(expected), rotationMatrixFromQuaternion(q), 1e-6);
  }
  expectNear(kIdentity, rotationMatrixFromQuaternion({0, 0, 0, 1}), 0);
}

TEST(RotationTest, GravityMatrixTakesGravityDown) {
  expectNear(kIdentity, rotationMatrixFromGravity(0, 0, -1), 0);
  expectNear(M3{{{1, 0, 0}, {0, 0, 1}, {0, -1, 0}}}, rotationMatrixFromGravity(0, -1, 0), 0);
  // Before the first sample the gravity estimate is zero: the identity keeps the frame defined. Gravity
  // along x (or too close to it for single precision) still gives a rotation taking it down.
  expectNear(kIdentity, rotationMatrixFromGravity(0, 0, 0), 0);
  const float samples[][3] = {{0.1f, -0.7f, -0.6f}, {-0.9f, 0.2f, 0.3f}, {3, -4, 12},     {1, 0, 0},
                              {-2.5f, 0, 0},        {1, 1e-30f, 0},      {-1, 0, -1e-25f}};
  for (const auto& g : samples) {
    SCOPED_TRACE(::testing::Message() << g[0] << " " << g[1] << " " << g[2]);
    const RotationMatrix r = rotationMatrixFromGravity(g[0], g[1], g[2]);
    expectProperRotation(r);
    const double n = std::sqrt(double(g[0]) * g[0] + double(g[1]) * g[1] + double(g[2]) * g[2]);
    const M3 m = toArray(r);
    for (int c = 0; c < 3; ++c)
      EXPECT_NEAR((m[0][c] * g[0] + m[1][c] * g[1] + m[2][c] * g[2]) / n, c == 2 ? -1.0 : 0.0, 1e-6);
  }
}

TEST(RotationTest, QuaternionNormalize) {
  Quaternion q{1, -2, 3, 0.5};
  quaternionNormalize(&q);
  const double n = std::sqrt(14.25);
  EXPECT_NEAR(q.x, 1 / n, 1e-6);
  EXPECT_NEAR(q.y, -2 / n, 1e-6);
  EXPECT_NEAR(q.w, 0.5 / n, 1e-6);
  // A zero quaternion stays zero rather than turning into NaN.
  Quaternion zero{0, 0, 0, 0};
  quaternionNormalize(&zero);
  EXPECT_EQ(std::tuple(zero.x, zero.y, zero.z, zero.w), std::tuple(0.0, 0.0, 0.0, 0.0));
}

TEST(RotationTest, EulerAnglesFromQuaternions) {
  double a = 9, b = 9, c = 9;
  for (double angle : {0.3, -1.2, M_PI / 2, -M_PI / 2}) {
    eulerAnglesFromQuaternion(&a, &b, &c, Quaternion{std::sin(angle / 2), 0, 0, std::cos(angle / 2)});
    EXPECT_EQ(a, 0.0);
    EXPECT_EQ(c, 0.0);
    EXPECT_NEAR(b, angle, 1e-6) << angle;  // +-pi/2 at the singular turns, not +-pi
  }
  const Quaternion quarterZ{0, 0, std::sin(M_PI / 4), std::cos(M_PI / 4)};
  QuatToEuler(&quarterZ, &a, &b, &c);
  EXPECT_NEAR(a, 0.0, 1e-12);
  EXPECT_NEAR(c, 90.0, 1e-12);
  const Quaternion aboutX{std::sin(0.25), 0, 0, std::cos(0.25)};
  QuatToEuler(&aboutX, &a, &b, &c);
  EXPECT_NEAR(a, 0.5 * 180 / M_PI, 1e-12);
  for (const auto& t : {std::array<float, 3>{0.2f, -0.4f, 1.0f}, {-1.4f, 2.9f, -3.0f}, {1.2f, 0.1f, -0.1f}}) {
    const RotationMatrix m = rotationMatrixFromEuler(t[0], t[1], t[2]);
    expectProperRotation(m);
    const EulerAnglesf e = eulerFromRotationMatrix(m);
    for (auto [got, want] : {std::pair(e.u, t[0]), {e.v, t[1]}, {e.w, t[2]}}) EXPECT_NEAR(got, want, 1e-5);
  }
}
