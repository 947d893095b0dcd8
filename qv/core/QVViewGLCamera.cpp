// The camera composition that every sphere-type renderer applies before it draws: projection, interface
// orientation, touch pitch, device matrix (projection stack); compass and yaw (model-view stack); then the
// one-shot unprojection of a pending window point.
#include <cmath>

#include "qv/core/QVViewGL.h"
#include "qv/glu/Projection.h"
#include "qv/os/GLES.h"
#include "qv/os/LocationManager.h"
#include "qv/os/RunLoop.h"

QVViewGL::CameraPass QVViewGL::monoCameraPass() const {
  CameraPass pass;
  pass.width = GLint(std::trunc(frame_.width));
  if (pass.width == 0) pass.width = 1;
  pass.height = GLint(std::trunc(frame_.height));
  return pass;
}

void QVViewGL::autoLevelIfDue() {
  if (bAutolevel && RunLoop::main().now() - touchEndTime > fAutolevel) moveBack();
}

bool QVViewGL::ensureQuadrics() {
  if (qSphere) return true;
  GLUquadric* made[3] = {qvglNewQuadric(), qvglNewQuadric(), qvglNewQuadric()};
  if (!made[0] || !made[1] || !made[2]) {
    for (GLUquadric* q : made) qvglDeleteQuadric(q);
    return false;
  }
  for (GLUquadric* q : made) {
    qvglQuadricNormals(q, GLU_SMOOTH);
    qvglQuadricTexture(q, GL_TRUE);
  }
  qSphere = made[0];
  qSphere2 = made[1];
  qDisk = made[2];
  return true;
}

void QVViewGL::applyDeviceMatrix(const RotationMatrix& m) {
  // Row i, column j of the device matrix lands at [4j + i] of the column-major GL matrix.
  const double rows[3][3] = {{m.m11, m.m12, m.m13}, {m.m21, m.m22, m.m23}, {m.m31, m.m32, m.m33}};
  float device[16] = {};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) device[4 * j + i] = float(rows[i][j]);
  device[15] = 1;
  std::copy(device, device + 16, m_static);
  glMultMatrixf(device);
}

float QVViewGL::composeCamera(const RotationMatrix& m, const CameraPass& pass) {
  const bool motion = navigationMode == 0 || pass.alwaysMotionBranch;
  if (pass.clear) {
    clearFrame();
  }

  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glViewport(pass.viewportX, 0, pass.width, pass.height);
  qvglPerspective(fieldofview, float(double(pass.width) / double(pass.height)), 1.0f, 25.0f);

  // The accelerometer's gravity matrix needs a quarter turn to match the fused attitude. In touch-only
  // navigation that matrix is not applied, so neither is its turn (it would roll the world 90 degrees).
  if (accelMode && motion) glRotatef(-90, 0, 0, 1);
  glRotatef(180, 0, 0, 1);

  float turn = -90;
  if (motion) {
    if (interfaceOrientation == 2) turn = 90;
    if (interfaceOrientation == 3) turn = 0;
    if (interfaceOrientation == 4) turn = 180;
  }
  glRotatef(turn + viewRotation, 0, 0, 1);

  const float p = rotatedirection.y;
  if (!motion) {
    if (pass.pitchOffset) glRotatef(p / -1.5f, 0, 1, 0);
    glRotatef(90, 0, 1, 0);
  } else if (pass.pitchOffset) {
    switch (interfaceOrientation) {
      case 2:
        glRotatef(p / 1.5f, 0, 1, 0);
        break;
      case 4:
        glRotatef(p / 1.5f, 1, 0, 0);
        break;
      case 3:
        glRotatef(p / -1.5f, 1, 0, 0);
        break;
      default:
        glRotatef(p / -1.5f, 0, 1, 0);
        break;
    }
  }
  if (motion) applyDeviceMatrix(m);

  glRotatef(90, 0, 1, 0);
  qvglLookAt(0, 1, 0, 0, 0, 0, 1, 0, 0);

  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  if (pass.modelOffsetZ != 0) glTranslatef(0, 0, pass.modelOffsetZ);
  glDisable(GL_CULL_FACE);
  ensureQuadrics();
  glEnable(GL_TEXTURE_2D);

  float compass = 0;  // degrees, part of the scene's turn that hotspots must follow
  if (accelMode && navigationMode == 0) {
    double heading = 0;
    if (locationManager) heading = locationManager->magneticHeading().value_or(0.0);
    compass = -float(heading);
    glRotatef(compass, 0, 0, 1);
  }

  const float k = screenDivisor(500);
  float yaw;
  if (!motion) {
    yaw = rotatedirection.x / k;
  } else {
    if (!xrotcalibrated) {
      switch (interfaceOrientation) {
        case 3:
          xrotationmodifier = 90, hotspotrotation = -90;
          break;
        case 2:
          xrotationmodifier = 180, hotspotrotation = -180;
          break;
        case 4:
          xrotationmodifier = -90, hotspotrotation = 90;
          break;
        default:
          xrotationmodifier = 0, hotspotrotation = 0;
          break;
      }
      xrotcalibrated = true;
    }
    yaw = interfaceOrientation == 4 && pass.yawFlipsInOrientation4
              ? xrotationmodifier - rotatedirection.x / k
              : xrotationmodifier + rotatedirection.x / k;
  }
  glRotatef(yaw, 0, 0, 1);
  glRotatef(180, 0, 0, 1);

  if (hitX != -1) {
    GLfloat model[16], projection[16], x, y, z;
    GLint viewport[4];
    glGetFloatv(GL_MODELVIEW_MATRIX, model);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    qvglUnProject(GLfloat(hitX), GLfloat(viewport[3] - hitY), 1.0f, model, projection, viewport, &x, &y, &z);
    hitX = -1;
  }
  return compass + yaw;
}

void QVViewGL::clearFrame() {
  glDepthMask(GL_TRUE);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void QVViewGL::loadFarPerspective() {
  CameraPass pass = monoCameraPass();
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glViewport(0, 0, pass.width, pass.height);
  qvglPerspective(fieldofview, float(double(pass.width) / double(pass.height)), 1.0f, 1000.0f);
}
