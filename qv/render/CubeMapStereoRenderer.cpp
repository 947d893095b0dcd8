#include "qv/render/CubeMapStereoRenderer.h"

namespace qv {

std::optional<CameraPass> CubeMapStereoRenderer::cameraPass(const FrameSnapshot& frame, int eye) const {
  return stereoCameraPass(frame, eye);
}

void CubeMapStereoRenderer::draw(const FrameSnapshot& frame, int eye, const SceneQuadrics&) {
  drawEye(frame, eye);
}

}  // namespace qv
