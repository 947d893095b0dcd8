// Side-by-side stereo for headset viewers: each eye is the sphere frame drawn into its half of the view.
// Both eyes share one camera; the depth comes from over-under content (upper half of a video frame to the
// left eye, lower half to the right). Also the raw-frame renderer driven by explicit angles.
#include <cmath>

#include "qv/core/QVViewGL.h"
#include "qv/glu/Projection.h"
#include "qv/os/GLES.h"
#include "qv/render/ContentLayout.h"

void QVViewGL::renderScenePart(RotationMatrix matrix, bool isRight) {
  autoLevelIfDue();
  ensureTextureCache();

  const StereoEye eye = stereoEye(frame_.width, frame_.height, isRight, stereomode);
  CameraPass pass;
  pass.viewportX = eye.viewportX;
  pass.width = eye.width;
  pass.height = eye.height;
  pass.clear = false;  // the pair is cleared once, or the right eye would wipe the left
  // A headset is steered by the device, so the pair follows its attitude even in touch navigation.
  pass.alwaysMotionBranch = true;
  // One yaw for the scene, the blind spot and the hotspots, so the overlays never slide on the content.
  const float yaw = composeCamera(matrix, pass);

  GLfloat eyeTexture[16];
  eye.textureMatrix(eyeTexture);
  drawPanorama(eye.transformsTexture ? eyeTexture : nullptr);

  closeSceneFrame(yaw);
}

void QVViewGL::renderScene2(RotationMatrix, double pitch, double, double roll) {
  if (texId == 0) return;
  clearFrame();

  loadFarPerspective();
  qvglLookAt(0, 1, 0, 0, 0, 0, 1, 0, 0);

  glMatrixMode(GL_MODELVIEW);
  glDisable(GL_CULL_FACE);
  ensureQuadrics();
  glColor4f(1, 1, 1, 1);
  glEnable(GL_TEXTURE_2D);
  glLoadIdentity();
  glRotatef(float(roll * 180.0 / M_PI + 90.0), 0, 0, 1);
  glRotatef(float(pitch * 180.0 / M_PI - 90.0), 0, 1, 0);

  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glBindTexture(GL_TEXTURE_2D, texId);
  if (qSphere) qvglSphere(qSphere, 20.0f, 60, 60);
}
