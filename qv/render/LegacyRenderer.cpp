#include "qv/render/LegacyRenderer.h"

#include <atomic>

#include "qv/glu/Projection.h"
#include "qv/glu/Quadric.h"
#include "qv/os/GLES.h"
#include "qv/render/CameraMath.h"
#include "qv/render/PanoramaDrawing.h"
#include "qv/render/SceneQuadrics.h"

namespace qv {

namespace {

// +1 or -1 from the last landscape orientation seen, so a device laid flat keeps that arrangement. One value
// for the whole process, shared by every view; atomic so that views drawn on different threads (a host may
// run more than one loop) never race on it.
std::atomic<float> gLandscapeSign{1.0f};

// The touch pitch, arranged for how the device is held (0 unknown, 1 and 2 portrait, 3 and 4 landscape,
// 5 face up, 6 face down).
void rotateForDeviceOrientation(int64_t orientation, float p) {
  switch (orientation) {
    case 1:
      glRotatef(p / -3, 1, 0, 0);
      glRotatef(-90, 1, 0, 0);
      break;
    case 2:
      glRotatef(p / -3, 1, 0, 0);
      glRotatef(90, 1, 0, 0);
      break;
    case 3:
      glRotatef(p / -3, 0, 1, 0);
      glRotatef(90, 0, 1, 0);
      gLandscapeSign = 1.0f;
      break;
    case 4:
      glRotatef(p / -3, 0, 1, 0);
      glRotatef(-90, 0, 1, 0);
      gLandscapeSign = -1.0f;
      break;
    case 0:
    case 5:
    case 6:
      if (gLandscapeSign.load() < 0) {
        glRotatef(180, 1, 0, 0);
        glRotatef(p / -3, 0, 1, 0);
        glRotatef(-90, 0, 1, 0);
        glRotatef(180, 0, 0, 1);
      } else {
        glRotatef(p / -3, 0, 1, 0);
        glRotatef(90, 0, 1, 0);
      }
      break;
    default:
      break;
  }
}

}  // namespace

void LegacyRenderer::draw(const FrameSnapshot& frame, int, const SceneQuadrics& quadrics) {
  loadFarPerspective(frame);

  if (frame.accelerometerMode) glRotatef(-90, 0, 0, 1);
  glRotatef(180, 0, 0, 1);
  glRotatef(frame.viewRotation, 0, 0, 1);

  if (frame.motionNavigation) {
    GLfloat device[16];
    deviceGLMatrix(frame.device, device);
    glMultMatrixf(device);
  } else {
    rotateForDeviceOrientation(frame.deviceOrientation, frame.touchPitch);
  }

  glRotatef(90, 0, 1, 0);
  qvglLookAt(0, 1, 0, 0, 0, 0, 1, 0, 0);

  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glEnable(GL_TEXTURE_2D);
  if (frame.accelerometerMode && frame.motionNavigation) glRotatef(-float(frame.compassHeading), 0, 0, 1);
  glRotatef(frame.touchYaw / frame.legacyYawDivisor, 0, 0, 1);
  glRotatef(180, 0, 0, 1);

  // A raw texture of 0 binds no texture: the sphere is drawn untextured.
  glBindTexture(GL_TEXTURE_2D, frame.rawTexture);
  loadTextureMatrix(nullptr);
  if (quadrics.sphere()) qvglSphere(quadrics.sphere(), 20.0f, 60, 60);
}

}  // namespace qv
