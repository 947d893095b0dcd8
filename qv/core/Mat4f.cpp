#include "qv/core/Mat4f.h"

#include <cmath>
#include <cstring>
#include <utility>

namespace qv {

void mat4f_identity(float* m) {
  std::memset(m, 0, 16 * sizeof(float));
  m[0] = m[5] = m[10] = m[15] = 1.0f;
}

void mat4f_copy(const float* src, float* dst) {
  std::memcpy(dst, src, 16 * sizeof(float));
}

Vec4fRec mat4f_row(const float* m, int i) {
  return Vec4fRec{m[4 * i], m[4 * i + 1], m[4 * i + 2], m[4 * i + 3]};
}

Vec4fRec mat4f_column(const float* m, int j) {
  return Vec4fRec{m[j], m[j + 4], m[j + 8], m[j + 12]};
}

void mat4f_multiplyMatrix(const float* a, const float* b, float* out) {
  std::memset(out, 0, 16 * sizeof(float));
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r)
      for (int k = 0; k < 4; ++k) out[4 * c + r] += a[4 * k + r] * b[4 * c + k];
}

Vec4fRec mat4f_multiplyVector(const float* m, Vec4fRec v) {
  const float in[4] = {v.x, v.y, v.z, v.w};
  float r[4];
  for (int row = 0; row < 4; ++row) {
    r[row] = 0.0f;
    for (int k = 0; k < 4; ++k) r[row] += m[4 * k + row] * in[k];
  }
  return Vec4fRec{r[0], r[1], r[2], r[3]};
}

void mat4f_initXRotation(float* m, float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  mat4f_identity(m);
  m[5] = c;
  m[6] = s;
  m[9] = -s;
  m[10] = c;
}

void mat4f_initYRotation(float* m, float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  mat4f_identity(m);
  m[0] = c;
  m[2] = -s;
  m[8] = s;
  m[10] = c;
}

void mat4f_initZRotation(float* m, float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  mat4f_identity(m);
  m[0] = c;
  m[1] = s;
  m[4] = -s;
  m[5] = c;
}

void mat4f_initRotation(float* m, const float* axis, float angle) {
  const float length = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
  const float x = axis[0] / length, y = axis[1] / length, z = axis[2] / length;
  const float c = float(std::cos(double(angle)));
  const float s = float(std::sin(double(angle)));
  const float t = 1.0f - c;
  m[0] = x * x * t + c;
  m[1] = x * y * t + z * s;
  m[2] = x * z * t - y * s;
  m[4] = x * y * t - z * s;
  m[5] = y * y * t + c;
  m[6] = y * z * t + x * s;
  m[8] = x * z * t + y * s;
  m[9] = y * z * t - x * s;
  m[10] = z * z * t + c;
  m[3] = m[7] = m[11] = m[12] = m[13] = m[14] = 0.0f;
  m[15] = 1.0f;
}

void mat4f_initTranslation(float* m, const float* t) {
  mat4f_identity(m);
  m[12] = t[0];
  m[13] = t[1];
  m[14] = t[2];
}

void mat4f_initScale(float* m, const float* s) {
  mat4f_identity(m);
  m[0] = s[0];
  m[5] = s[1];
  m[10] = s[2];
}

void mat4f_initPerspective(float* m, float fovy, float aspect, float zNear, float zFar) {
  const float f = 1.0f / std::tan(fovy / 2.0f);
  std::memset(m, 0, 16 * sizeof(float));
  m[0] = f / aspect;
  m[5] = f;
  m[10] = (zNear + zFar) / (zNear - zFar);
  m[11] = -1.0f;
  m[14] = 2.0f * zFar * zNear / (zNear - zFar);
}

void mat4f_initProjectionToPlane(float* m, const float* light, const float* plane) {
  const float a = plane[0], b = plane[1], c = plane[2], d = plane[3];
  const float lx = light[0], ly = light[1], lz = light[2];
  const float dot = a * lx + b * ly + c * lz;
  const float e = dot + d;
  m[0] = e - lx * a;
  m[1] = -a * ly;
  m[2] = -a * lz;
  m[3] = -a;
  m[4] = -b * lx;
  m[5] = e - ly * b;
  m[6] = -b * lz;
  m[7] = -b;
  m[8] = -c * lx;
  m[9] = -c * ly;
  m[10] = e - lz * c;
  m[11] = -c;
  m[12] = -d * lx;
  m[13] = -d * ly;
  m[14] = -d * lz;
  m[15] = dot;
}

void mat4f_translate(const float* m, float* out, const float* t) {
  std::memcpy(out, m, 12 * sizeof(float));
  for (int r = 0; r < 4; ++r) out[12 + r] = m[r] * t[0] + m[4 + r] * t[1] + m[8 + r] * t[2] + m[12 + r];
}

void mat4f_translate_accum(float* m, const float* t) {
  for (int r = 0; r < 4; ++r) m[12 + r] = m[r] * t[0] + m[4 + r] * t[1] + m[8 + r] * t[2] + m[12 + r];
}

void mat4f_rotate(const float* m, float* out, const float* axis, float angle) {
  float rotation[16];
  mat4f_initRotation(rotation, axis, angle);
  mat4f_multiplyMatrix(m, rotation, out);
}

void mat4f_rotate_accum(float* m, const float* axis, float angle) {
  float product[16];
  mat4f_rotate(m, product, axis, angle);
  mat4f_copy(product, m);
}

void mat4f_scale_accum(float* m, const float* s) {
  for (int c = 0; c < 3; ++c)
    for (int r = 0; r < 4; ++r) m[4 * c + r] *= s[c];
}

void mat4f_transpose(const float* m, float* out) {
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r) out[4 * r + c] = m[4 * c + r];
}

void mat4f_inverse(const float* m, float* out) {
  float a[16];
  mat4f_copy(m, a);
  mat4f_identity(out);
  for (int col = 0; col < 4; ++col) {
    // Partial pivoting: the largest magnitude at or below the diagonal; the first one wins a tie.
    int pivot = col;
    for (int r = col + 1; r < 4; ++r)
      if (std::fabs(a[4 * col + r]) > std::fabs(a[4 * col + pivot])) pivot = r;
    if (a[4 * col + pivot] == 0.0f) {
      mat4f_identity(out);
      return;
    }
    if (pivot != col) {
      for (int c = 0; c < 4; ++c) {
        std::swap(a[4 * c + col], a[4 * c + pivot]);
        std::swap(out[4 * c + col], out[4 * c + pivot]);
      }
    }
    const float p = a[4 * col + col];
    for (int c = 0; c < 4; ++c) {
      a[4 * c + col] /= p;
      out[4 * c + col] /= p;
    }
    for (int r = 0; r < 4; ++r) {
      if (r == col) continue;
      const float f = a[4 * col + r];
      if (f == 0.0f) continue;
      for (int c = 0; c < 4; ++c) {
        a[4 * c + r] -= f * a[4 * c + col];
        out[4 * c + r] -= f * out[4 * c + col];
      }
    }
  }
}

void mat4f_inverse_transpose(const float* m, float* out) {
  float inverse[16];
  mat4f_inverse(m, inverse);
  mat4f_transpose(inverse, out);
}

void mat3f_from_mat4(const float* m, float* out) {
  for (int c = 0; c < 3; ++c)
    for (int r = 0; r < 3; ++r) out[3 * c + r] = m[4 * c + r];
}

}  // namespace qv
