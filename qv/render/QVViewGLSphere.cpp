// The mono panorama renderer: the current texture on the inside of a sphere of radius 20 around the camera.
#include "qv/core/QVViewGL.h"
#include "qv/os/GLES.h"
#include "qv/os/TextureCache.h"
#include "qv/platform/QVContext.h"

namespace {

constexpr GLfloat kSphereRadius = 20.0f;
constexpr GLint kSphereSlices = 60, kSphereStacks = 60;

// Only the sign of the y coefficient matters: points with y <= 0 in the sphere's frame stay.
constexpr GLfloat kHalfPanoramaPlane[4] = {0, -1.875f, 0, 0};

void loadHalfPanoramaTextureMatrix() {
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  glScalef(2, 1, 1);
  glTranslatef(-0.25f, 0, 0);  // s' = 2s - 0.5: the sphere's s from 0.25 to 0.75 shows the whole texture
  glMatrixMode(GL_MODELVIEW);
}

void loadTextureMatrix(const GLfloat* matrix) {
  glMatrixMode(GL_TEXTURE);
  if (matrix) {
    glLoadMatrixf(matrix);
  } else {
    glLoadIdentity();
  }
  glMatrixMode(GL_MODELVIEW);
}

}  // namespace

void QVViewGL::drawPanorama(const GLfloat* singleTextureMatrix) {
  if (!qSphere) return;  // quadrics could not be made: this frame has no panorama
  if (!localasset || hittest) {
    if (target1 != 0 && !hittest) {
      glEnable(target1);
      glBindTexture(target1, name1);
      loadTextureMatrix(nullptr);
      qvglSphere(qSphere, kSphereRadius, kSphereSlices, kSphereStacks);
    }
    return;
  }
  if (target1 != 0 && target2 == 0) {
    glEnable(target1);
    glBindTexture(target1, name1);
    loadTextureMatrix(singleTextureMatrix);
    qvglSphere(qSphere, kSphereRadius, kSphereSlices, kSphereStacks);
    return;
  }
  if (target1 != 0 && target2 != 0) {
    glEnable(target1);
    glBindTexture(target1, name1);
    loadHalfPanoramaTextureMatrix();
    glClipPlanef(GL_CLIP_PLANE0, kHalfPanoramaPlane);
    glEnable(GL_CLIP_PLANE0);
    qvglSphere(qSphere, kSphereRadius, kSphereSlices, kSphereStacks);
    glDisable(GL_CLIP_PLANE0);
  }
  if (target2 != 0) {
    glEnable(target2);
    glBindTexture(target2, name2);
    glMatrixMode(GL_MODELVIEW);
    glRotatef(180, 0, 0, 1);
    loadHalfPanoramaTextureMatrix();
    // Given after the turn, so the plane turns with the sphere and this draw covers the other half.
    glClipPlanef(GL_CLIP_PLANE1, kHalfPanoramaPlane);
    glEnable(GL_CLIP_PLANE1);
    qvglSphere(qSphere, kSphereRadius, kSphereSlices, kSphereStacks);
    glDisable(GL_CLIP_PLANE1);
  }
}

void QVViewGL::renderScene(RotationMatrix matrix) {
  autoLevelIfDue();
  ensureTextureCache();
  // One yaw for the scene, the blind spot and the hotspots, so the overlays never slide on the content.
  const float yaw = composeCamera(matrix, monoCameraPass());

  // View mode 4 on the single-texture video path shows the upper half of each frame.
  static const GLfloat kTopHalf[16] = {1, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  drawPanorama(_videoMode == 4 ? kTopHalf : nullptr);

  closeSceneFrame(yaw);
}

void QVViewGL::closeSceneFrame(float sceneYaw) {
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  renderBlindSpot(sceneYaw);
  glGetError();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  renderHotspots(screenDivisor(500), sceneYaw);
  glGetError();
}
