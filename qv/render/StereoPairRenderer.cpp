#include "qv/render/StereoPairRenderer.h"

#include "qv/render/ContentLayout.h"
#include "qv/render/PanoramaDrawing.h"
#include "qv/render/SceneQuadrics.h"

namespace qv {

std::optional<CameraPass> StereoPairRenderer::cameraPass(const FrameSnapshot& frame, int eye) const {
  return stereoCameraPass(frame, eye);
}

void StereoPairRenderer::draw(const FrameSnapshot& frame, int eye, const SceneQuadrics& quadrics) {
  const StereoEye geometry = stereoEye(frame.viewWidth, frame.viewHeight, eye == 1, frame.stereomode);
  GLfloat eyeTexture[16];
  geometry.textureMatrix(eyeTexture);
  drawPanorama(frame, quadrics.sphere(), geometry.transformsTexture ? eyeTexture : nullptr, eye);
}

}  // namespace qv
