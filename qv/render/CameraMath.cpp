#include "qv/render/CameraMath.h"

#include "qv/glu/Projection.h"
#include "qv/os/GLES.h"
#include "qv/render/SceneRenderer.h"

namespace qv {

void deviceGLMatrix(const RotationMatrix& m, GLfloat out[16]) {
  const double rows[3][3] = {{m.m11, m.m12, m.m13}, {m.m21, m.m22, m.m23}, {m.m31, m.m32, m.m33}};
  for (int k = 0; k < 16; ++k) out[k] = 0;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) out[4 * j + i] = GLfloat(rows[i][j]);
  out[15] = 1;
}

void loadFarPerspective(const FrameSnapshot& frame) {
  const CameraPass pass = monoCameraPass(frame);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glViewport(0, 0, pass.width, pass.height);
  qvglPerspective(frame.fieldOfView, float(double(pass.width) / double(pass.height)), 1.0f, 1000.0f);
}

}  // namespace qv
