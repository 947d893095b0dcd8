#include "qv/glu/Projection.h"

#include <cmath>
#include <cstring>

#include "qv/glu/GLSeam.h"

namespace qv {

namespace {

void normalize(GLfloat v[3]) {
  const GLfloat length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (length == 0.0f) return;
  v[0] /= length;
  v[1] /= length;
  v[2] /= length;
}

void cross(const GLfloat a[3], const GLfloat b[3], GLfloat out[3]) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

}  // namespace

void qvglOrtho2D(GLfloat left, GLfloat right, GLfloat bottom, GLfloat top) {
  glseam::Orthof(left, right, bottom, top, -1.0f, 1.0f);
}

void qvglPerspective(GLfloat fovy, GLfloat aspect, GLfloat zNear, GLfloat zFar) {
  const GLfloat radians = GLfloat(double(fovy * 0.5f) * 3.141592653589793 / 180.0);
  const GLfloat deltaZ = zFar - zNear;
  const double sine = std::sin(double(radians));
  if (aspect == 0.0f || deltaZ == 0.0f || GLfloat(sine) == 0.0f) return;
  const GLfloat cotangent = GLfloat(std::cos(double(radians)) / sine);
  GLfloat m[16] = {};
  m[0] = cotangent / aspect;
  m[5] = cotangent;
  m[10] = -(zFar + zNear) / deltaZ;
  m[11] = -1.0f;
  m[14] = -2.0f * zNear * zFar / deltaZ;
  m[15] = 0.0f;
  glseam::MultMatrixf(m);
}

void qvglLookAt(GLfloat eyeX, GLfloat eyeY, GLfloat eyeZ, GLfloat centerX, GLfloat centerY, GLfloat centerZ,
                GLfloat upX, GLfloat upY, GLfloat upZ) {
  GLfloat forward[3] = {centerX - eyeX, centerY - eyeY, centerZ - eyeZ};
  const GLfloat up[3] = {upX, upY, upZ};
  normalize(forward);
  GLfloat side[3];
  cross(forward, up, side);
  normalize(side);
  GLfloat upPrime[3];
  cross(side, forward, upPrime);
  GLfloat m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  m[0] = side[0];
  m[4] = side[1];
  m[8] = side[2];
  m[1] = upPrime[0];
  m[5] = upPrime[1];
  m[9] = upPrime[2];
  m[2] = -forward[0];
  m[6] = -forward[1];
  m[10] = -forward[2];
  glseam::MultMatrixf(m);
  glseam::Translatef(-eyeX, -eyeY, -eyeZ);
}

void __qvglMultMatrixVecf(const GLfloat m[16], const GLfloat in[4], GLfloat out[4]) {
  for (int i = 0; i < 4; ++i)
    out[i] = in[0] * m[0 * 4 + i] + in[1] * m[1 * 4 + i] + in[2] * m[2 * 4 + i] + in[3] * m[3 * 4 + i];
}

void __qvglMultMatricesf(const GLfloat a[16], const GLfloat b[16], GLfloat r[16]) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      r[i * 4 + j] = a[i * 4 + 0] * b[0 * 4 + j] + a[i * 4 + 1] * b[1 * 4 + j] + a[i * 4 + 2] * b[2 * 4 + j] +
                     a[i * 4 + 3] * b[3 * 4 + j];
}

GLint __qvglInvertMatrixf(const GLfloat m[16], GLfloat inverse[16]) {
  // All cofactors are gathered before the output is written, so inverse may be m.
  GLfloat inv[16];
  inv[0] = m[5] * m[10] * m[15] - m[5] * m[11] * m[14] - m[9] * m[6] * m[15] + m[9] * m[7] * m[14] +
           m[13] * m[6] * m[11] - m[13] * m[7] * m[10];
  inv[4] = -m[4] * m[10] * m[15] + m[4] * m[11] * m[14] + m[8] * m[6] * m[15] - m[8] * m[7] * m[14] -
           m[12] * m[6] * m[11] + m[12] * m[7] * m[10];
  inv[8] = m[4] * m[9] * m[15] - m[4] * m[11] * m[13] - m[8] * m[5] * m[15] + m[8] * m[7] * m[13] +
           m[12] * m[5] * m[11] - m[12] * m[7] * m[9];
  inv[12] = -m[4] * m[9] * m[14] + m[4] * m[10] * m[13] + m[8] * m[5] * m[14] - m[8] * m[6] * m[13] -
            m[12] * m[5] * m[10] + m[12] * m[6] * m[9];
  inv[1] = -m[1] * m[10] * m[15] + m[1] * m[11] * m[14] + m[9] * m[2] * m[15] - m[9] * m[3] * m[14] -
           m[13] * m[2] * m[11] + m[13] * m[3] * m[10];
  inv[5] = m[0] * m[10] * m[15] - m[0] * m[11] * m[14] - m[8] * m[2] * m[15] + m[8] * m[3] * m[14] +
           m[12] * m[2] * m[11] - m[12] * m[3] * m[10];
  inv[9] = -m[0] * m[9] * m[15] + m[0] * m[11] * m[13] + m[8] * m[1] * m[15] - m[8] * m[3] * m[13] -
           m[12] * m[1] * m[11] + m[12] * m[3] * m[9];
  inv[13] = m[0] * m[9] * m[14] - m[0] * m[10] * m[13] - m[8] * m[1] * m[14] + m[8] * m[2] * m[13] +
            m[12] * m[1] * m[10] - m[12] * m[2] * m[9];
  inv[2] = m[1] * m[6] * m[15] - m[1] * m[7] * m[14] - m[5] * m[2] * m[15] + m[5] * m[3] * m[14] +
           m[13] * m[2] * m[7] - m[13] * m[3] * m[6];
  inv[6] = -m[0] * m[6] * m[15] + m[0] * m[7] * m[14] + m[4] * m[2] * m[15] - m[4] * m[3] * m[14] -
           m[12] * m[2] * m[7] + m[12] * m[3] * m[6];
  inv[10] = m[0] * m[5] * m[15] - m[0] * m[7] * m[13] - m[4] * m[1] * m[15] + m[4] * m[3] * m[13] +
            m[12] * m[1] * m[7] - m[12] * m[3] * m[5];
  inv[14] = -m[0] * m[5] * m[14] + m[0] * m[6] * m[13] + m[4] * m[1] * m[14] - m[4] * m[2] * m[13] -
            m[12] * m[1] * m[6] + m[12] * m[2] * m[5];
  inv[3] = -m[1] * m[6] * m[11] + m[1] * m[7] * m[10] + m[5] * m[2] * m[11] - m[5] * m[3] * m[10] -
           m[9] * m[2] * m[7] + m[9] * m[3] * m[6];
  inv[7] = m[0] * m[6] * m[11] - m[0] * m[7] * m[10] - m[4] * m[2] * m[11] + m[4] * m[3] * m[10] +
           m[8] * m[2] * m[7] - m[8] * m[3] * m[6];
  inv[11] = -m[0] * m[5] * m[11] + m[0] * m[7] * m[9] + m[4] * m[1] * m[11] - m[4] * m[3] * m[9] -
            m[8] * m[1] * m[7] + m[8] * m[3] * m[5];
  inv[15] = m[0] * m[5] * m[10] - m[0] * m[6] * m[9] - m[4] * m[1] * m[10] + m[4] * m[2] * m[9] +
            m[8] * m[1] * m[6] - m[8] * m[2] * m[5];
  const GLfloat determinant = m[0] * inv[0] + m[1] * inv[4] + m[2] * inv[8] + m[3] * inv[12];
  if (determinant == 0.0f) return GL_FALSE;
  const GLfloat scale = 1.0f / determinant;
  for (int i = 0; i < 16; ++i) inverse[i] = inv[i] * scale;
  return GL_TRUE;
}

GLint qvglProject(GLfloat objX, GLfloat objY, GLfloat objZ, const GLfloat model[16], const GLfloat proj[16],
                  const GLint viewport[4], GLfloat* winX, GLfloat* winY, GLfloat* winZ) {
  GLfloat in[4] = {objX, objY, objZ, 1.0f};
  GLfloat out[4];
  __qvglMultMatrixVecf(model, in, out);
  __qvglMultMatrixVecf(proj, out, in);
  if (in[3] == 0.0f) return GL_FALSE;
  for (int i = 0; i < 3; ++i) in[i] = in[i] / in[3] * 0.5f + 0.5f;
  *winX = GLfloat(viewport[0]) + GLfloat(viewport[2]) * in[0];
  *winY = GLfloat(viewport[1]) + GLfloat(viewport[3]) * in[1];
  *winZ = in[2];
  return GL_TRUE;
}

GLint qvglUnProject(GLfloat winX, GLfloat winY, GLfloat winZ, const GLfloat model[16], const GLfloat proj[16],
                    const GLint viewport[4], GLfloat* objX, GLfloat* objY, GLfloat* objZ) {
  GLfloat final[16];
  __qvglMultMatricesf(model, proj, final);
  if (!__qvglInvertMatrixf(final, final)) return GL_FALSE;
  GLfloat in[4] = {(winX - GLfloat(viewport[0])) / GLfloat(viewport[2]),
                   (winY - GLfloat(viewport[1])) / GLfloat(viewport[3]), winZ, 1.0f};
  for (int i = 0; i < 3; ++i) in[i] = in[i] * 2.0f - 1.0f;
  GLfloat out[4];
  __qvglMultMatrixVecf(final, in, out);
  if (out[3] == 0.0f) return GL_FALSE;
  *objX = out[0] / out[3];
  *objY = out[1] / out[3];
  *objZ = out[2] / out[3];
  return GL_TRUE;
}

GLint qvglUnProject4(GLfloat winX, GLfloat winY, GLfloat winZ, GLfloat clipW, const GLfloat model[16],
                     const GLfloat proj[16], const GLint viewport[4], GLfloat nearVal, GLfloat farVal,
                     GLfloat* objX, GLfloat* objY, GLfloat* objZ, GLfloat* objW) {
  GLfloat final[16];
  __qvglMultMatricesf(model, proj, final);
  if (!__qvglInvertMatrixf(final, final)) return GL_FALSE;
  GLfloat in[4] = {(winX - GLfloat(viewport[0])) / GLfloat(viewport[2]),
                   (winY - GLfloat(viewport[1])) / GLfloat(viewport[3]),
                   (winZ - nearVal) / (farVal - nearVal), clipW};
  for (int i = 0; i < 3; ++i) in[i] = in[i] * 2.0f - 1.0f;
  GLfloat out[4];
  __qvglMultMatrixVecf(final, in, out);
  if (out[3] == 0.0f) return GL_FALSE;
  *objX = out[0];
  *objY = out[1];
  *objZ = out[2];
  *objW = out[3];
  return GL_TRUE;
}

void qvglPickMatrix(GLfloat x, GLfloat y, GLfloat deltaX, GLfloat deltaY, const GLint viewport[4]) {
  if (deltaX <= 0.0f || deltaY <= 0.0f) return;
  glseam::Translatef((GLfloat(viewport[2]) - 2.0f * (x - GLfloat(viewport[0]))) / deltaX,
                     (GLfloat(viewport[3]) - 2.0f * (y - GLfloat(viewport[1]))) / deltaY, 0.0f);
  glseam::Scalef(GLfloat(viewport[2]) / deltaX, GLfloat(viewport[3]) / deltaY, 1.0f);
}

}  // namespace qv
