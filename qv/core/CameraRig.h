// The camera composition that every sphere-type layout applies before it draws: projection, interface
// orientation, touch pitch and device matrix on the projection stack; compass and yaw on the model-view
// stack. composeCamera is a function of the frame's snapshot, one eye's pass and the yaw base; the rig keeps
// the little state around it (the yaw calibration and the last device matrix), which the frame loop updates
// in explicit steps before and after. Main thread, GL lock held, context current.
#pragma once

#include <GLES/gl.h>

#include <cstdint>

#include "qv/render/FrameSnapshot.h"
#include "qv/render/SceneRenderer.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

struct CameraComposition {
  float sceneYaw = 0;      // the whole turn about the pole axis (compass and yaw), degrees
  float yawDivisor = 1;    // drag units per degree that the yaw used
  GLint viewport[4] = {};  // x, y, width, height
  bool deviceApplied = false;
  GLfloat device[16] = {};  // the device matrix as loaded (column-major), when applied
};

// Loads the projection and model-view matrices for one eye; model-view mode is current afterwards and
// GL_TEXTURE_2D enabled for the content. `yawBase` is the calibrated yaw of the motion branch (degrees).
CameraComposition composeCamera(const FrameSnapshot& frame, const CameraPass& pass, float yawBase);

// Whether a pass takes the motion-navigation branches; never without a device matrix to follow.
inline bool usesMotionBranch(const FrameSnapshot& frame, const CameraPass& pass) {
  return frame.motionNavigation || (pass.alwaysMotionBranch && frame.deviceSteers);
}

class CameraRig {
 public:
  // Fixes the yaw base from the interface orientation, once until the next reset (motion branch only).
  void calibrateYaw(int64_t interfaceOrientation);
  void resetCalibration() { xrotcalibrated = false; }
  float yawBase() const { return xrotationmodifier; }
  float hotspotRotation() const { return hotspotrotation; }

  // Keeps the device matrix a composition applied.
  void keep(const CameraComposition& composition);
  const GLfloat* lastDeviceMatrix() const { return m_static; }

 private:
  bool xrotcalibrated = false;
  float xrotationmodifier = 0;  // yaw base, degrees
  float hotspotrotation = 0;    // degrees
  GLfloat m_static[16] = {};    // last device matrix as a GL matrix, column-major
};

}  // namespace qv
QV_EXPORT_END
