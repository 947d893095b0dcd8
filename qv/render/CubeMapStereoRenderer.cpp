#include "qv/render/CubeMapStereoRenderer.h"

#include "qv/render/ContentLayout.h"

namespace qv {

std::optional<CameraPass> CubeMapStereoRenderer::cameraPass(const FrameSnapshot& frame, int eye) const {
  // The viewport of each eye is the equirectangular pair's; the picture's halves are the cube map's own.
  const StereoEye geometry = stereoEye(frame.viewWidth, frame.viewHeight, eye == 1, frame.stereomode);
  CameraPass pass;
  pass.viewportX = geometry.viewportX;
  pass.width = geometry.width;
  pass.height = geometry.height;
  pass.alwaysMotionBranch = true;
  return pass;
}

void CubeMapStereoRenderer::draw(const FrameSnapshot& frame, int eye, const SceneQuadrics&) {
  drawEye(frame, eye);
}

}  // namespace qv
