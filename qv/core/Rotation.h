// Rotation functions: Euler angles, quaternions and 3x3 rotation matrices. Pure functions with no state, safe
// from any thread. The frame loop builds its device matrix with quaternionNormalize,
// rotationMatrixFromGravity and pyrToMatrix2; the rest is offered to the host. Angles are radians unless a
// function says otherwise.
#pragma once

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

extern "C" {

// Nine 64-bit floats, row-major: m12 is row 1, column 2.
typedef struct RotationMatrix {
  double m11, m12, m13;
  double m21, m22, m23;
  double m31, m32, m33;
} RotationMatrix;

typedef struct Quaternion {
  double x, y, z, w;
} Quaternion;

typedef struct Vec4fRec {
  float x, y, z, w;
} Vec4fRec;

// The three angles of eulerFromRotationMatrix, radians.
typedef struct EulerAnglesf {
  float u, v, w;
} EulerAnglesf;

double rad2deg(double angle);
double deg2rad(double angle);

// Rx(r) * Ry(p) * Rz(y).
RotationMatrix pyrToMatrix2(double p, double y, double r);
// Rz(y) * Ry(p) * Rx(r).
RotationMatrix pyrToMatrix(double p, double y, double r);
// Ry(a) * Rz(b) * Rx(e).
RotationMatrix rotationRadToMatrix(double a, double b, double e);

// The rotation whose columns are (g x u, u, -g) for the unit gravity g and u along x cross g, so its
// transpose takes gravity to (0, 0, -1). Single precision. A zero (or non-finite) vector gives the identity:
// the view asks for this before the first accelerometer sample. Gravity along the x axis takes u = (0, 1, 0).
RotationMatrix rotationMatrixFromGravity(float gx, float gy, float gz);

// The transpose of the textbook matrix of q (the platform attitude convention), in single precision.
RotationMatrix rotationMatrixFromQuaternion(Quaternion q);

// Scales q to unit length in place; a unit or zero quaternion is left as it is.
void quaternionNormalize(Quaternion* q);

// h turns about y, a about z, b about x.
Quaternion quaternionFromEuler(double h, double a, double b);

// Only the middle angle is computed (asin of the pitch term, +-pi/2 at the singularities); out1 and out3 are
// 0.
void eulerAnglesFromQuaternion(double* out1, double* out2, double* out3, Quaternion q);

// Degrees, computed in extended precision.
void QuatToEuler(const Quaternion* q, double* out1, double* out2, double* out3);

// u = atan2(m32, sqrt(m31^2 + m33^2)), v = atan2(m31, m33), w = atan2(m12, m22).
EulerAnglesf eulerFromRotationMatrix(RotationMatrix m);

// Rz(-w) * Rx(u) * Ry(-v): the inverse of eulerFromRotationMatrix for u in [-pi/2, pi/2].
RotationMatrix rotationMatrixFromEuler(float u, float v, float w);

}  // extern "C"

}  // namespace qv
QV_EXPORT_END
