#include "qv/render/SceneRenderer.h"

#include <cmath>

#include "qv/os/GLES.h"

namespace qv {

CameraPass monoCameraPass(const FrameSnapshot& frame) {
  CameraPass pass;
  pass.width = GLint(std::trunc(frame.viewWidth));
  if (pass.width == 0) pass.width = 1;
  pass.height = GLint(std::trunc(frame.viewHeight));
  return pass;
}

void clearFrame() {
  glDepthMask(GL_TRUE);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

}  // namespace qv
