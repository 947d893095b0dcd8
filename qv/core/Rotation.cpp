#include "qv/core/Rotation.h"

#include <cmath>

namespace qv {

namespace {

constexpr double kPi = 3.141592653589793;

RotationMatrix identity() {
  return RotationMatrix{1, 0, 0, 0, 1, 0, 0, 0, 1};
}

}  // namespace

double rad2deg(double angle) {
  return angle * 180.0 / kPi;
}

double deg2rad(double angle) {
  return angle * kPi / 180.0;
}

RotationMatrix pyrToMatrix2(double p, double y, double r) {
  const double cp = std::cos(p), sp = std::sin(p);
  const double cy = std::cos(y), sy = std::sin(y);
  const double cr = std::cos(r), sr = std::sin(r);
  RotationMatrix m;
  m.m11 = cp * cy;
  m.m12 = -cp * sy;
  m.m13 = sp;
  m.m21 = cr * sy + sr * sp * cy;
  m.m22 = cr * cy - sr * sp * sy;
  m.m23 = -sr * cp;
  m.m31 = sr * sy - cr * sp * cy;
  m.m32 = sr * cy + cr * sp * sy;
  m.m33 = cp * cr;
  return m;
}

RotationMatrix pyrToMatrix(double p, double y, double r) {
  const double cp = std::cos(p), sp = std::sin(p);
  const double cy = std::cos(y), sy = std::sin(y);
  const double cr = std::cos(r), sr = std::sin(r);
  RotationMatrix m;
  m.m11 = cp * cy;
  m.m12 = sp * sr * cy - sy * cr;
  m.m13 = sy * sr + sp * cy * cr;
  m.m21 = cp * sy;
  m.m22 = sp * sy * sr + cy * cr;
  m.m23 = sp * sy * cr - cy * sr;
  m.m31 = -sp;
  m.m32 = cp * sr;
  m.m33 = cp * cr;
  return m;
}

RotationMatrix rotationRadToMatrix(double a, double b, double e) {
  const double ca = std::cos(a), sa = std::sin(a);
  const double cb = std::cos(b), sb = std::sin(b);
  const double ce = std::cos(e), se = std::sin(e);
  RotationMatrix m;
  m.m11 = ca * cb;
  m.m12 = sa * se - ca * sb * ce;
  m.m13 = sa * ce + ca * sb * se;
  m.m21 = sb;
  m.m22 = cb * ce;
  m.m23 = -cb * se;
  m.m31 = -sa * cb;
  m.m32 = sa * sb * ce + ca * se;
  m.m33 = ca * ce - sa * sb * se;
  return m;
}

RotationMatrix rotationMatrixFromGravity(float gx, float gy, float gz) {
  const float length = std::sqrt(gx * gx + gy * gy + gz * gz);
  // Before the first sample the low-passed gravity is zero; a tiny or broken vector has no direction either.
  if (!(length > 0.0f) || !std::isfinite(length)) return identity();
  const float x = gx / length, y = gy / length, z = gz / length;
  const float yz = std::sqrt(y * y + z * z);
  float uy, uz;
  if (yz > 0.0f) {
    uy = -z / yz;
    uz = y / yz;
  } else {
    // Gravity along x: x cross g vanishes. Any unit u across g gives a rotation that still takes gravity
    // to (0, 0, -1); (0, 1, 0) is the limit when the device tips towards x from lying face up.
    uy = 1.0f;
    uz = 0.0f;
  }
  RotationMatrix m;
  m.m11 = uz * y - uy * z;
  m.m12 = 0.0;
  m.m13 = -x;
  m.m21 = -uz * x;
  m.m22 = uy;
  m.m23 = -y;
  m.m31 = uy * x;
  m.m32 = uz;
  m.m33 = -z;
  return m;
}

RotationMatrix rotationMatrixFromQuaternion(Quaternion q) {
  const float x = float(q.x), y = float(q.y), z = float(q.z), w = float(q.w);
  RotationMatrix m;
  m.m11 = 1.0f - 2.0f * (y * y + z * z);
  m.m12 = 2.0f * (x * y + w * z);
  m.m13 = 2.0f * (x * z - w * y);
  m.m21 = 2.0f * (x * y - w * z);
  m.m22 = 1.0f - 2.0f * (x * x + z * z);
  m.m23 = 2.0f * (y * z + w * x);
  m.m31 = 2.0f * (x * z + w * y);
  m.m32 = 2.0f * (y * z - w * x);
  m.m33 = 1.0f - 2.0f * (x * x + y * y);
  return m;
}

void quaternionNormalize(Quaternion* q) {
  if (!q) return;
  const float n = float(q->x * q->x + q->y * q->y + q->z * q->z + q->w * q->w);
  if (n - 1.0f == 0.0f) return;
  // A zero quaternion has no direction to keep; dividing would fill it with NaN.
  if (n == 0.0f) return;
  const double length = std::sqrt(n);
  q->x /= length;
  q->y /= length;
  q->z /= length;
  q->w /= length;
}

Quaternion quaternionFromEuler(double h, double a, double b) {
  const double c1 = std::cos(h / 2), s1 = std::sin(h / 2);
  const double c2 = std::cos(a / 2), s2 = std::sin(a / 2);
  const double c3 = std::cos(b / 2), s3 = std::sin(b / 2);
  Quaternion q;
  q.x = c1 * c2 * s3 + s1 * s2 * c3;
  q.y = c1 * s2 * s3 + s1 * c2 * c3;
  q.z = c1 * s2 * c3 - s1 * c2 * s3;
  q.w = c1 * c2 * c3 - s1 * s2 * s3;
  return q;
}

void eulerAnglesFromQuaternion(double* out1, double* out2, double* out3, Quaternion q) {
  const double n = q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w;
  const double t = q.y * q.z + q.w * q.x;
  double middle;
  // Near the singularities asin(2t / n) is asin(+-1); answer with its exact value.
  if (t > 0.4999999 * n) {
    middle = kPi / 2;
  } else if (t < -0.4999999 * n) {
    middle = -kPi / 2;
  } else {
    middle = std::asin(2 * t / n);
  }
  if (out1) *out1 = 0.0;
  if (out2) *out2 = middle;
  if (out3) *out3 = 0.0;
}

void QuatToEuler(const Quaternion* q, double* out1, double* out2, double* out3) {
  const long double x = q->x, y = q->y, z = q->z, w = q->w;
  const long double toDegrees = 180.0L / 3.141592653589793238462643383279502884L;
  const long double a = std::atan2(2 * (w * x + y * z), w * w - x * x - y * y + z * z);
  const long double b = std::asin(-2 * (x * z - w * y));
  const long double c = std::atan2(2 * (x * y + w * z), w * w + x * x - y * y - z * z);
  if (out1) *out1 = double(a * toDegrees);
  if (out2) *out2 = double(b * toDegrees);
  if (out3) *out3 = double(c * toDegrees);
}

EulerAnglesf eulerFromRotationMatrix(RotationMatrix m) {
  const float m12 = float(m.m12), m22 = float(m.m22);
  const float m31 = float(m.m31), m32 = float(m.m32), m33 = float(m.m33);
  EulerAnglesf e;
  e.u = std::atan2(m32, std::sqrt(m31 * m31 + m33 * m33));
  e.v = std::atan2(m31, m33);
  e.w = std::atan2(m12, m22);
  return e;
}

RotationMatrix rotationMatrixFromEuler(float u, float v, float w) {
  // Rz(-w) * Rx(u) * Ry(-v): row 3 is (-cos u sin(-v), sin u, cos u cos(-v)) and column 2 is
  // (sin w cos u, cos w cos u, sin u), which eulerFromRotationMatrix reads back as (u, v, w).
  const double cu = std::cos(double(u)), su = std::sin(double(u));
  const double cv = std::cos(double(v)), sv = std::sin(double(v));
  const double cw = std::cos(double(w)), sw = std::sin(double(w));
  // A = Rz(-w): [[cw, sw, 0], [-sw, cw, 0], [0, 0, 1]]; B = Rx(u); C = Ry(-v): [[cv, 0, -sv], [0, 1, 0], [sv,
  // 0, cv]]. B * C = [[cv, 0, -sv], [-su sv, cu, -su cv], [cu sv, su, cu cv]].
  RotationMatrix m;
  m.m11 = cw * cv - sw * su * sv;
  m.m12 = sw * cu;
  m.m13 = -cw * sv - sw * su * cv;
  m.m21 = -sw * cv - cw * su * sv;
  m.m22 = cw * cu;
  m.m23 = sw * sv - cw * su * cv;
  m.m31 = cu * sv;
  m.m32 = su;
  m.m33 = cu * cv;
  return m;
}

}  // namespace qv
