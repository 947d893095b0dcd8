// 4x4 single-precision matrices in the fixed-function GL layout: sixteen floats, column-major, element
// [4c + r] is row r, column c, so the translation sits in elements 12, 13, 14. Pure functions that write
// into caller memory; "out" must not alias an input unless a function says so. Any thread.
#pragma once

#include "qv/core/Rotation.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

extern "C" {

typedef float mat4f[16];  // column-major
typedef float mat3f[9];   // column-major, element [3c + r]
typedef float vec3f[3];
typedef float vec4f[4];

void mat4f_identity(float* m);
// Note the order: source first.
void mat4f_copy(const float* src, float* dst);
// Elements 4i..4i+3; in this storage that is column i.
Vec4fRec mat4f_row(const float* m, int i);
// Elements j, j+4, j+8, j+12; in this storage that is row j.
Vec4fRec mat4f_column(const float* m, int j);
// out = a * b.
void mat4f_multiplyMatrix(const float* a, const float* b, float* out);
Vec4fRec mat4f_multiplyVector(const float* m, Vec4fRec v);

void mat4f_initXRotation(float* m, float angle);
void mat4f_initYRotation(float* m, float angle);
void mat4f_initZRotation(float* m, float angle);
// Rotation by angle (radians) about the normalised axis, as the fixed-function GL builds it.
void mat4f_initRotation(float* m, const float* axis, float angle);
void mat4f_initTranslation(float* m, const float* t);
void mat4f_initScale(float* m, const float* s);
// fovy in radians.
void mat4f_initPerspective(float* m, float fovy, float aspect, float zNear, float zFar);
// Projects from the point light L onto the plane ax + by + cz + d = 0 (planar shadows).
void mat4f_initProjectionToPlane(float* m, const float* light, const float* plane);

// out = m * translation(t).
void mat4f_translate(const float* m, float* out, const float* t);
void mat4f_translate_accum(float* m, const float* t);
// out = m * rotation(axis, angle).
void mat4f_rotate(const float* m, float* out, const float* axis, float angle);
void mat4f_rotate_accum(float* m, const float* axis, float angle);
void mat4f_scale_accum(float* m, const float* s);
void mat4f_transpose(const float* m, float* out);
// Gauss-Jordan with partial pivoting; the identity when m is singular.
void mat4f_inverse(const float* m, float* out);
void mat4f_inverse_transpose(const float* m, float* out);
void mat3f_from_mat4(const float* m, float* out);

}  // extern "C"

}  // namespace qv
QV_EXPORT_END
