#include "qv/core/CameraRig.h"

#include <algorithm>

#include "qv/glu/Projection.h"
#include "qv/os/GLES.h"
#include "qv/render/CameraMath.h"

namespace qv {

CameraComposition composeCamera(const FrameSnapshot& frame, const CameraPass& pass, float yawBase) {
  CameraComposition result;
  const bool motion = usesMotionBranch(frame, pass);
  const int64_t orientation = frame.interfaceOrientation;

  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glViewport(pass.viewportX, 0, pass.width, pass.height);
  result.viewport[0] = pass.viewportX;
  result.viewport[2] = pass.width;
  result.viewport[3] = pass.height;
  qvglPerspective(frame.fieldOfView, float(double(pass.width) / double(pass.height)), 1.0f, 25.0f);

  // The accelerometer's gravity matrix needs a quarter turn to match the fused attitude. In touch-only
  // navigation that matrix is not applied, so neither is its turn (it would roll the world 90 degrees).
  if (frame.accelerometerMode && motion) glRotatef(-90, 0, 0, 1);
  glRotatef(180, 0, 0, 1);

  float turn = -90;
  if (motion) {
    if (orientation == 2) turn = 90;
    if (orientation == 3) turn = 0;
    if (orientation == 4) turn = 180;
  }
  glRotatef(turn + frame.viewRotation, 0, 0, 1);

  const float p = frame.touchPitch;
  if (!motion) {
    if (pass.pitchOffset) glRotatef(p / -1.5f, 0, 1, 0);
    glRotatef(90, 0, 1, 0);
  } else if (pass.pitchOffset) {
    switch (orientation) {
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
  if (motion) {
    deviceGLMatrix(frame.device, result.device);
    result.deviceApplied = true;
    glMultMatrixf(result.device);
  }

  glRotatef(90, 0, 1, 0);
  // The eye sits at the centre of the sphere, looking down -y with x up: the view at (yaw, pitch, fov) is
  // the rectilinear view from the centre, with no parallax from an off-centre eye.
  qvglLookAt(0, 0, 0, 0, -1, 0, 1, 0, 0);

  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  if (pass.modelOffsetZ != 0) glTranslatef(0, 0, pass.modelOffsetZ);
  glDisable(GL_CULL_FACE);
  glEnable(GL_TEXTURE_2D);

  float compass = 0;  // degrees, part of the scene's turn that hotspots must follow
  if (frame.accelerometerMode && frame.motionNavigation) {
    compass = -float(frame.compassHeading);
    glRotatef(compass, 0, 0, 1);
  }

  const float k = frame.yawDivisor;
  float yaw;
  if (!motion) {
    yaw = frame.touchYaw / k;
  } else {
    yaw = orientation == 4 && pass.yawFlipsInOrientation4 ? yawBase - frame.touchYaw / k
                                                          : yawBase + frame.touchYaw / k;
  }
  glRotatef(yaw, 0, 0, 1);
  glRotatef(180, 0, 0, 1);

  result.sceneYaw = compass + yaw;
  result.yawDivisor = k;
  return result;
}

void CameraRig::calibrateYaw(int64_t interfaceOrientation) {
  if (xrotcalibrated) return;
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

void CameraRig::keep(const CameraComposition& composition) {
  if (composition.deviceApplied) std::copy(composition.device, composition.device + 16, m_static);
}

}  // namespace qv
