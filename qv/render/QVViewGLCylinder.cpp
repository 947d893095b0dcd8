// Video on the inside of an open cylinder around the camera: the picture wraps once around the horizon and
// spans 30 units of height, its first row at the upper rim. There is no touch pitch; only the device tilts
// the view.
#include "qv/core/QVViewGL.h"
#include "qv/glu/Quadric.h"
#include "qv/os/GLES.h"

namespace {

constexpr GLfloat kCylinderRadius = 19.0f;
constexpr GLfloat kCylinderHeight = 30.0f;
constexpr GLint kCylinderSlices = 60, kCylinderStacks = 10;

}  // namespace

void QVViewGL::renderSceneCylinder(RotationMatrix matrix) {
  ensureTextureCache();
  CameraPass pass = monoCameraPass();
  pass.pitchOffset = false;
  pass.yawFlipsInOrientation4 = false;
  // The cylinder grows along +z from its base: shift it so its axis runs from z = -15 (upper rim) to +15.
  pass.modelOffsetZ = -kCylinderHeight / 2;
  // One yaw for the scene, the blind spot and the hotspots, so the overlays never slide on the content.
  const float yaw = composeCamera(matrix, pass);

  if (localasset && !hittest && target1 != 0 && target2 == 0 && qSphere) {
    glEnable(target1);
    glBindTexture(target1, name1);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    qvglCylinder(qSphere, kCylinderRadius, kCylinderRadius, kCylinderHeight, kCylinderSlices,
                 kCylinderStacks);
  } else {
    // Still images and texture pairs stay on the (shifted) sphere.
    drawPanorama(nullptr);
  }

  closeSceneFrame(yaw);
}
