#include "qv/render/CylinderRenderer.h"

#include "qv/glu/Quadric.h"
#include "qv/os/GLES.h"
#include "qv/render/PanoramaDrawing.h"
#include "qv/render/SceneQuadrics.h"

namespace qv {

namespace {

constexpr GLfloat kCylinderRadius = 19.0f;
constexpr GLfloat kCylinderHeight = 30.0f;
constexpr GLint kCylinderSlices = 60, kCylinderStacks = 10;

}  // namespace

std::optional<CameraPass> CylinderRenderer::cameraPass(const FrameSnapshot& frame, int) const {
  CameraPass pass = monoCameraPass(frame);
  pass.pitchOffset = false;
  pass.yawFlipsInOrientation4 = false;
  // The cylinder grows along +z from its base: shift it so its axis runs from z = -15 (upper rim) to +15.
  pass.modelOffsetZ = -kCylinderHeight / 2;
  return pass;
}

void CylinderRenderer::draw(const FrameSnapshot& frame, int, const SceneQuadrics& quadrics) {
  if (frame.hasAsset && !frame.picking && !frame.first.empty() && frame.second.empty() && quadrics.sphere()) {
    glEnable(frame.first.target);
    glBindTexture(frame.first.target, frame.first.name);
    loadTextureMatrix(nullptr);
    qvglCylinder(quadrics.sphere(), kCylinderRadius, kCylinderRadius, kCylinderHeight, kCylinderSlices,
                 kCylinderStacks);
  } else {
    drawPanorama(frame, quadrics.sphere(), nullptr);
  }
}

}  // namespace qv
