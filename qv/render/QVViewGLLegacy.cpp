// The renderer for old system versions: the raw-frame texture texId on the sphere, with the older camera
// (far plane 1000, touch pitch arranged by the device orientation, half the yaw divisor) and no blind spot,
// hotspots or texture cache.
#include <atomic>
#include <cmath>

#include "qv/core/QVViewGL.h"
#include "qv/glu/Projection.h"
#include "qv/glu/Quadric.h"
#include "qv/os/Environment.h"
#include "qv/os/GLES.h"
#include "qv/os/LocationManager.h"

namespace {

// +1 or -1 from the last landscape orientation seen, so a device laid flat keeps that arrangement. One value
// for the whole process, shared by every view; atomic so that views drawn on different threads (a host may
// run more than one loop) never race on it.
std::atomic<float> gLandscapeSign{1.0f};

// The touch pitch, arranged for how the device is held (0 unknown, 1 and 2 portrait, 3 and 4 landscape,
// 5 face up, 6 face down).
void rotateForDeviceOrientation(int orientation, float p) {
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

void QVViewGL::renderSceneLegacy(RotationMatrix m) {
  clearFrame();

  loadFarPerspective();

  if (accelMode) glRotatef(-90, 0, 0, 1);
  glRotatef(180, 0, 0, 1);
  glRotatef(viewRotation, 0, 0, 1);

  if (navigationMode == 0) {
    applyDeviceMatrix(m);
  } else {
    rotateForDeviceOrientation(Environment::current().deviceOrientation(), rotatedirection.y);
  }

  glRotatef(90, 0, 1, 0);
  qvglLookAt(0, 1, 0, 0, 0, 0, 1, 0, 0);

  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glDisable(GL_CULL_FACE);
  ensureQuadrics();
  glEnable(GL_TEXTURE_2D);
  if (accelMode && navigationMode == 0) {
    double heading = 0;
    if (locationManager) heading = locationManager->magneticHeading().value_or(0.0);
    glRotatef(-float(heading), 0, 0, 1);
  }
  glRotatef(rotatedirection.x / screenDivisor(250), 0, 0, 1);
  glRotatef(180, 0, 0, 1);

  // A texId of 0 binds no texture: the sphere is drawn untextured.
  glBindTexture(GL_TEXTURE_2D, texId);
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  if (qSphere) qvglSphere(qSphere, 20.0f, 60, 60);
}
