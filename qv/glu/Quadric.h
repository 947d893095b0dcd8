// Quadrics of the GL utility library for GL ES 1.1: a GLUquadric holds the drawing options, and qvglSphere,
// qvglCylinder, qvglDisk and qvglPartialDisk tessellate the shapes into fixed arrays on the call's stack and
// draw each group of vertices with one glDrawArrays (through the GL call seam). The caller owns the record
// from qvglNewQuadric until qvglDeleteQuadric and draws with its GL context current; no state is shared.
#pragma once

#include <GLES/gl.h>

#include "qv/glu/GLUEnums.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

extern "C" {

typedef void (*GLUquadricErrorProc)(GLenum);

typedef struct GLUquadric {
  GLint normals;  // GLU_SMOOTH, GLU_FLAT or GLU_NONE
  GLboolean textureCoords;
  GLint orientation;                  // GLU_OUTSIDE or GLU_INSIDE
  GLint drawStyle;                    // GLU_POINT, GLU_LINE, GLU_FILL or GLU_SILHOUETTE
  GLUquadricErrorProc errorCallback;  // receives GLU error codes; may be null
} GLUquadric;

// Null when memory is exhausted.
GLUquadric* qvglNewQuadric(void);
void qvglDeleteQuadric(GLUquadric* q);
// which must be GLU_ERROR.
void qvglQuadricCallback(GLUquadric* q, GLenum which, GLUquadricErrorProc fn);
void qvglQuadricNormals(GLUquadric* q, GLenum normals);
void qvglQuadricTexture(GLUquadric* q, GLboolean textureCoords);
void qvglQuadricOrientation(GLUquadric* q, GLenum orientation);
void qvglQuadricDrawStyle(GLUquadric* q, GLenum drawStyle);

// Slices and stacks above 239 are drawn as 239.
void qvglCylinder(GLUquadric* q, GLfloat baseRadius, GLfloat topRadius, GLfloat height, GLint slices,
                  GLint stacks);
void qvglSphere(GLUquadric* q, GLfloat radius, GLint slices, GLint stacks);
void qvglDisk(GLUquadric* q, GLfloat innerRadius, GLfloat outerRadius, GLint slices, GLint loops);
// Angles in degrees, clockwise from +y seen from +z.
void qvglPartialDisk(GLUquadric* q, GLfloat innerRadius, GLfloat outerRadius, GLint slices, GLint loops,
                     GLfloat startAngle, GLfloat sweepAngle);

}  // extern "C"

}  // namespace qv
QV_EXPORT_END
