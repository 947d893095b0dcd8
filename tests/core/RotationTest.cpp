#include "qv/core/Rotation.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

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

M3 toArray(const RotationMatrix& m) {
  return {{{m.m11, m.m12, m.m13}, {m.m21, m.m22, m.m23}, {m.m31, m.m32, m.m33}}};
}

void expectNear(const M3& expected, const RotationMatrix& actual, double tolerance) {
  const M3 a = toArray(actual);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      EXPECT_NEAR(expected[i][j], a[i][j], tolerance) << "row " << i + 1 << " column " << j + 1;
}

// Textbook rotation matrix of a unit quaternion.
M3 quaternionMatrix(const Quaternion& q) {
  const double x = q.x, y = q.y, z = q.z, w = q.w;
  return {{{1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y)},
           {2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x)},
           {2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)}}};
}

M3 transpose(const M3& m) {
  M3 t;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) t[i][j] = m[j][i];
  return t;
}

void expectProperRotation(const RotationMatrix& r) {
  const M3 m = toArray(r);
  const M3 product = mul(transpose(m), m);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      ASSERT_TRUE(std::isfinite(m[i][j]));
      EXPECT_NEAR(product[i][j], i == j ? 1.0 : 0.0, 1e-6);
    }
  const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                     m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                     m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
  EXPECT_NEAR(det, 1.0, 1e-6);
}

const double kAngles[][3] = {{0, 0, 0}, {0.3, -1.1, 2.0}, {M_PI / 2, 0.2, -0.7}, {-2.5, 3.0, 0.01}};

}  // namespace

TEST(RotationTest, EulerMatricesAreTheDocumentedProductsOfAxisRotations) {
  for (const auto& a : kAngles) {
    SCOPED_TRACE(::testing::Message() << a[0] << " " << a[1] << " " << a[2]);
    expectNear(mul(rx(a[2]), mul(ry(a[0]), rz(a[1]))), pyrToMatrix2(a[0], a[1], a[2]), 1e-12);
    expectNear(mul(rz(a[1]), mul(ry(a[0]), rx(a[2]))), pyrToMatrix(a[0], a[1], a[2]), 1e-12);
    expectNear(mul(ry(a[0]), mul(rz(a[1]), rx(a[2]))), rotationRadToMatrix(a[0], a[1], a[2]), 1e-12);
  }
  EXPECT_DOUBLE_EQ(pyrToMatrix2(M_PI / 2, 0, 0).m13, 1.0);
  EXPECT_DOUBLE_EQ(rad2deg(deg2rad(37.5)), 37.5);
}

TEST(RotationTest, GravityMatrixTakesGravityDown) {
  expectNear(M3{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, rotationMatrixFromGravity(0, 0, -1), 0);
  expectNear(M3{{{1, 0, 0}, {0, 0, 1}, {0, -1, 0}}}, rotationMatrixFromGravity(0, -1, 0), 0);
  const float samples[][3] = {{0.1f, -0.7f, -0.6f}, {-0.9f, 0.2f, 0.3f}, {0.0f, 0.5f, 0.5f}, {3, -4, 12}};
  for (const auto& g : samples) {
    SCOPED_TRACE(::testing::Message() << g[0] << " " << g[1] << " " << g[2]);
    const RotationMatrix r = rotationMatrixFromGravity(g[0], g[1], g[2]);
    expectProperRotation(r);
    // The transpose takes the unit gravity to (0, 0, -1).
    const double n = std::sqrt(double(g[0]) * g[0] + double(g[1]) * g[1] + double(g[2]) * g[2]);
    const M3 m = toArray(r);
    for (int c = 0; c < 3; ++c) {
      const double down = (m[0][c] * g[0] + m[1][c] * g[1] + m[2][c] * g[2]) / n;
      EXPECT_NEAR(down, c == 2 ? -1.0 : 0.0, 1e-6);
    }
  }
}

TEST(RotationTest, GravityMatrixStaysFiniteWithoutADirectionAcrossX) {
  // Before the first sample the gravity estimate is zero: the identity keeps the frame defined.
  expectNear(M3{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, rotationMatrixFromGravity(0, 0, 0), 0);
  expectNear(M3{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, rotationMatrixFromGravity(1e-30f, 0, -1e-30f), 0);
  const float alongX[][3] = {{1, 0, 0}, {-2.5f, 0, 0}, {1, 1e-30f, 0}, {-1, 0, -1e-25f}};
  for (const auto& g : alongX) {
    SCOPED_TRACE(::testing::Message() << g[0] << " " << g[1] << " " << g[2]);
    const RotationMatrix r = rotationMatrixFromGravity(g[0], g[1], g[2]);
    expectProperRotation(r);
    EXPECT_NEAR(r.m13, g[0] > 0 ? -1.0 : 1.0, 1e-6);  // third column is -g
  }
}

TEST(RotationTest, QuaternionMatrixIsTheTransposedTextbookMatrix) {
  expectNear(M3{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, rotationMatrixFromQuaternion({0, 0, 0, 1}), 0);
  for (const auto& a : kAngles) {
    const Quaternion q = quaternionFromEuler(a[0], a[1], a[2]);
    // h about y, a about z, b about x: the same rotation as rotationRadToMatrix.
    const M3 textbook = quaternionMatrix(q);
    expectNear(textbook, rotationRadToMatrix(a[0], a[1], a[2]), 1e-12);
    expectNear(transpose(textbook), rotationMatrixFromQuaternion(q), 1e-6);
  }
}

TEST(RotationTest, QuaternionNormalize) {
  Quaternion q{0, 0, 0, 2};
  quaternionNormalize(&q);
  EXPECT_EQ(q.w, 1.0);
  EXPECT_EQ(q.x, 0.0);

  Quaternion unit = quaternionFromEuler(0.4, -0.2, 1.3);
  const Quaternion before = unit;
  quaternionNormalize(&unit);
  EXPECT_EQ(unit.x, before.x);
  EXPECT_EQ(unit.w, before.w);

  Quaternion general{1, -2, 3, 0.5};
  quaternionNormalize(&general);
  EXPECT_NEAR(general.x * general.x + general.y * general.y + general.z * general.z + general.w * general.w,
              1.0, 1e-6);
  EXPECT_NEAR(general.y / general.x, -2.0, 1e-12);

  // A zero quaternion stays zero rather than turning into NaN.
  Quaternion zero{0, 0, 0, 0};
  quaternionNormalize(&zero);
  EXPECT_EQ(zero.x, 0.0);
  EXPECT_EQ(zero.w, 0.0);
}

TEST(RotationTest, EulerAnglesFromQuaternionGivesTheMiddleAngle) {
  double a = 9, b = 9, c = 9;
  const double turns[] = {0.3, -1.2, M_PI / 2, -M_PI / 2, 1.55};
  for (double angle : turns) {
    // A turn about x: t = w x = sin(angle) / 2.
    eulerAnglesFromQuaternion(&a, &b, &c, Quaternion{std::sin(angle / 2), 0, 0, std::cos(angle / 2)});
    EXPECT_EQ(a, 0.0);
    EXPECT_EQ(c, 0.0);
    EXPECT_NEAR(b, angle, 1e-6) << angle;
  }
  // Unnormalised input: the ratio to the norm counts.
  eulerAnglesFromQuaternion(&a, &b, &c, Quaternion{3, 0, 0, 3});
  EXPECT_DOUBLE_EQ(b, M_PI / 2);
}

TEST(RotationTest, QuatToEulerInDegrees) {
  double a, b, c;
  const Quaternion identity{0, 0, 0, 1};
  QuatToEuler(&identity, &a, &b, &c);
  EXPECT_EQ(a, 0.0);
  EXPECT_EQ(b, 0.0);
  EXPECT_EQ(c, 0.0);
  const Quaternion quarterZ{0, 0, std::sin(M_PI / 4), std::cos(M_PI / 4)};
  QuatToEuler(&quarterZ, &a, &b, &c);
  EXPECT_NEAR(c, 90.0, 1e-12);
  EXPECT_NEAR(a, 0.0, 1e-12);
  const Quaternion aboutX{std::sin(0.25), 0, 0, std::cos(0.25)};
  QuatToEuler(&aboutX, &a, &b, &c);
  EXPECT_NEAR(a, 0.5 * 180 / M_PI, 1e-12);
}

TEST(RotationTest, EulerFromRotationMatrixInvertsRotationMatrixFromEuler) {
  const float triples[][3] = {
      {0.2f, -0.4f, 1.0f}, {-1.4f, 2.9f, -3.0f}, {0.0f, 0.0f, 0.0f}, {1.2f, 0.1f, -0.1f}};
  for (const auto& t : triples) {
    const RotationMatrix m = rotationMatrixFromEuler(t[0], t[1], t[2]);
    expectProperRotation(m);
    const EulerAnglesf e = eulerFromRotationMatrix(m);
    EXPECT_NEAR(e.u, t[0], 1e-5);
    EXPECT_NEAR(e.v, t[1], 1e-5);
    EXPECT_NEAR(e.w, t[2], 1e-5);
  }
  // eulerFromRotationMatrix reads pyrToMatrix2's last row and second column.
  const EulerAnglesf e = eulerFromRotationMatrix(pyrToMatrix2(0, 0, 0));
  EXPECT_EQ(e.u, 0.0f);
  EXPECT_EQ(e.v, 0.0f);
  EXPECT_EQ(e.w, 0.0f);
}
