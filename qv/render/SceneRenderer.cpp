#include "qv/render/SceneRenderer.h"

#include <cmath>

#include "qv/os/GLES.h"
#include "qv/render/ContentLayout.h"

namespace qv {

CameraPass monoCameraPass(const FrameSnapshot& frame) {
  CameraPass pass;
  pass.width = GLint(std::trunc(frame.viewWidth));
  if (pass.width == 0) pass.width = 1;
  pass.height = GLint(std::trunc(frame.viewHeight));
  return pass;
}

CameraPass stereoCameraPass(const FrameSnapshot& frame, int eye) {
  const StereoEye geometry = stereoEye(frame.viewWidth, frame.viewHeight, eye == 1, frame.stereomode);
  CameraPass pass;
  pass.viewportX = geometry.viewportX;
  pass.width = geometry.width;
  pass.height = geometry.height;
  pass.alwaysMotionBranch = true;
  return pass;
}

void clearFrame() {
  glDepthMask(GL_TRUE);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

}  // namespace qv
