#include "qv/core/Mat4f.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace qv;

namespace {

// Independent reference in double with explicit (row, column) access: at(m, r, c) = m[4c + r].
double at(const float* m, int r, int c) {
  return m[4 * c + r];
}

void multiplyReference(const float* a, const float* b, double* out) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) {
      double sum = 0;
      for (int k = 0; k < 4; ++k) sum += at(a, r, k) * at(b, k, c);
      out[4 * c + r] = sum;
    }
}

// Rodrigues' formula in double: rotation by angle about the unit axis (x, y, z), as (row, column).
void rodrigues(double x, double y, double z, double angle, double r[3][3]) {
  const double n = std::sqrt(x * x + y * y + z * z);
  x /= n, y /= n, z /= n;
  const double c = std::cos(angle), s = std::sin(angle);
  const double k[3][3] = {{0, -z, y}, {z, 0, -x}, {-y, x, 0}};
  const double axis[3] = {x, y, z};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r[i][j] = (i == j ? c : 0) + s * k[i][j] + (1 - c) * axis[i] * axis[j];
}

const float kA[16] = {2, 0.5f, -1, 0, 0.25f, 3, 1, 0, -2, 0.75f, 1.5f, 0, 4, -5, 6, 1};
const float kB[16] = {1, 2, 3, 4, -1, 0.5f, 2, -3, 0.2f, 0.1f, -4, 1, 7, 8, -9, 2};

void expectMatrixNear(const float* expected, const float* actual, float tolerance) {
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(expected[i], actual[i], tolerance) << "element " << i;
}

}  // namespace

TEST(Mat4fTest, ProductsMatchAnIndependentComputation) {
  EXPECT_EQ(mat4f_row(kA, 0).y, kA[1]);  // elements 0..3: the first column in this storage
  EXPECT_EQ(mat4f_column(kA, 1).w, kA[13]);
  float out[16];
  double reference[16];
  mat4f_multiplyMatrix(kA, kB, out);
  multiplyReference(kA, kB, reference);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(out[i], reference[i], 1e-4) << i;
  // A vector is the first column of a matrix.
  const float in[16] = {1, -2, 3, 1};
  multiplyReference(kA, in, reference);
  const Vec4fRec v = mat4f_multiplyVector(kA, Vec4fRec{1, -2, 3, 1});
  const float result[4] = {v.x, v.y, v.z, v.w};
  for (int r = 0; r < 4; ++r) EXPECT_NEAR(result[r], reference[r], 1e-5) << r;
}

TEST(Mat4fTest, RotationsMatchRodrigues) {
  const float axes[][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 2, -3}, {-0.3f, 0.1f, 0.7f}};
  void (*const aboutAxis[3])(float*, float) = {mat4f_initXRotation, mat4f_initYRotation, mat4f_initZRotation};
  for (int a = 0; a < 5; ++a)
    for (float angle : {0.0f, 0.4f, -2.2f, 3.1f}) {
      float m[16], axial[16];
      mat4f_initRotation(m, axes[a], angle);
      double r[3][3];
      rodrigues(axes[a][0], axes[a][1], axes[a][2], angle, r);
      for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(at(m, i, j), r[i][j], 1e-6);
        EXPECT_EQ(at(m, 3, i), 0.0f);
        EXPECT_EQ(at(m, i, 3), 0.0f);
      }
      EXPECT_EQ(m[15], 1.0f);
      if (a >= 3) continue;
      aboutAxis[a](axial, angle);
      expectMatrixNear(m, axial, 1e-6f);
    }
}

TEST(Mat4fTest, InverseAndItsSingularFallback) {
  float inverse[16], product[16], identity[16], expected[16];
  mat4f_identity(identity);
  for (const float* m : {kA, kB}) {
    mat4f_inverse(m, inverse);
    mat4f_multiplyMatrix(m, inverse, product);
    expectMatrixNear(identity, product, 5e-4f);  // kB is not well conditioned in single precision
    mat4f_inverse_transpose(m, product);
    mat4f_transpose(inverse, expected);
    expectMatrixNear(expected, product, 0.0f);
  }
  // A zero on the diagonal needs a row exchange.
  const float permutation[16] = {0, 1, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 1};
  mat4f_inverse(permutation, inverse);
  mat4f_transpose(permutation, expected);
  expectMatrixNear(expected, inverse, 0.0f);
  // A zero column: the identity instead.
  float singular[16];
  mat4f_copy(kA, singular);
  singular[4] = singular[5] = singular[6] = singular[7] = 0;
  mat4f_inverse(singular, inverse);
  expectMatrixNear(identity, inverse, 0.0f);
  mat4f_inverse_transpose(singular, inverse);
  expectMatrixNear(identity, inverse, 0.0f);
}
