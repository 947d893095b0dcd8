// Projection and camera functions of the GL utility library for GL ES 1.1, in single precision. They keep no
// state: qvglOrtho2D, qvglPerspective, qvglLookAt and qvglPickMatrix act on the current GL matrix of the
// calling thread's context (through the GL call seam); the project and unproject functions are pure.
// Matrices are 16 GLfloat, column-major; viewports are x, y, width, height.
#pragma once

#include <GLES/gl.h>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

extern "C" {

void qvglOrtho2D(GLfloat left, GLfloat right, GLfloat bottom, GLfloat top);
// fovy in degrees. Does nothing for aspect 0, zNear == zFar or a field of view whose sine is 0.
void qvglPerspective(GLfloat fovy, GLfloat aspect, GLfloat zNear, GLfloat zFar);
// A zero forward or side vector is used unnormalised, as it is.
void qvglLookAt(GLfloat eyeX, GLfloat eyeY, GLfloat eyeZ, GLfloat centerX, GLfloat centerY, GLfloat centerZ,
                GLfloat upX, GLfloat upY, GLfloat upZ);
// The unproject and project functions return GL_TRUE, or GL_FALSE with the outputs untouched.
GLint qvglProject(GLfloat objX, GLfloat objY, GLfloat objZ, const GLfloat model[16], const GLfloat proj[16],
                  const GLint viewport[4], GLfloat* winX, GLfloat* winY, GLfloat* winZ);
GLint qvglUnProject(GLfloat winX, GLfloat winY, GLfloat winZ, const GLfloat model[16], const GLfloat proj[16],
                    const GLint viewport[4], GLfloat* objX, GLfloat* objY, GLfloat* objZ);
GLint qvglUnProject4(GLfloat winX, GLfloat winY, GLfloat winZ, GLfloat clipW, const GLfloat model[16],
                     const GLfloat proj[16], const GLint viewport[4], GLfloat nearVal, GLfloat farVal,
                     GLfloat* objX, GLfloat* objY, GLfloat* objZ, GLfloat* objW);
// Does nothing when deltaX or deltaY is not positive.
void qvglPickMatrix(GLfloat x, GLfloat y, GLfloat deltaX, GLfloat deltaY, const GLint viewport[4]);

// Internal helpers, exported for the library's own tests.
// out = M * in.
void __qvglMultMatrixVecf(const GLfloat m[16], const GLfloat in[4], GLfloat out[4]);
// r[i*4+j] = sum over k of a[i*4+k] * b[k*4+j]: (model, projection) gives projection * model.
void __qvglMultMatricesf(const GLfloat a[16], const GLfloat b[16], GLfloat r[16]);
// Inverse by cofactors; inverse may be m itself. GL_FALSE, output untouched, for a zero determinant.
GLint __qvglInvertMatrixf(const GLfloat m[16], GLfloat inverse[16]);

}  // extern "C"

}  // namespace qv
QV_EXPORT_END
