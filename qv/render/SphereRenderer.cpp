#include "qv/render/SphereRenderer.h"

#include "qv/render/PanoramaDrawing.h"
#include "qv/render/SceneQuadrics.h"

namespace qv {

std::optional<CameraPass> SphereRenderer::cameraPass(const FrameSnapshot& frame, int) const {
  return monoCameraPass(frame);
}

void SphereRenderer::draw(const FrameSnapshot& frame, int, const SceneQuadrics& quadrics) {
  // View mode 4 on the single-texture video path shows the upper half of each frame.
  static const GLfloat kTopHalf[16] = {1, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  drawPanorama(frame, quadrics.sphere(), frame.videoMode == 4 ? kTopHalf : nullptr);
}

}  // namespace qv
