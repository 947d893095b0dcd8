// Device-motion navigation: the motion sources chosen at construction (fused attitude where the device has
// it, otherwise the accelerometer and the compass), the four accelerometer filters, and the view-angle
// clamp. Yields one device rotation matrix per frame (which feeds the filters once). Owned by the view;
// main thread only. Sensor updates start with the navigator and stop when it goes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "qv/core/Rotation.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class HighpassFilter;
class LocationManager;
class LowpassFilter;
class MotionManager;
struct Attitude;

class DeviceMotionNavigator {
 public:
  DeviceMotionNavigator();
  ~DeviceMotionNavigator();
  DeviceMotionNavigator(const DeviceMotionNavigator&) = delete;
  DeviceMotionNavigator& operator=(const DeviceMotionNavigator&) = delete;

  // This frame's device rotation. `deviceOrientation` is how the device is held now (the clamp needs it).
  RotationMatrix sample(int64_t deviceOrientation);
  // Magnetic heading in degrees in accelerometer mode with a compass reading; 0 otherwise.
  double compassHeading() const;
  // Makes the device's current direction the reference again (restarts device-motion updates).
  void restart();

  // Pitch limits of the attitude, degrees; the clamp is active when up > down.
  void clampViewAngleUp(float up, float down) {
    maxUpAngle = up;
    maxDownAngle = down;
  }

  bool accelerometerMode() const { return accelMode; }
  // Whether the motion source has delivered a sample yet. Until it has, the device cannot steer the view
  // (no sensor at all, or one that never reports), and the frame navigates by touch alone.
  bool hasDelivered() const { return delivered_; }
  bool hasCompass() const { return locationManager != nullptr; }
  // The last attitude after clamping (radians) and the last usable orientation, for diagnostics.
  double clampedPitch() const { return rotx; }
  double clampedRoll() const { return rotz; }
  int64_t lastUsableOrientation() const { return lastOrientation; }

 private:
  RotationMatrix accelerometerSample();

  bool accelMode = false;
  std::shared_ptr<MotionManager> motionManager;
  std::shared_ptr<Attitude> referenceAttitude;  // never set by the kit
  std::shared_ptr<LocationManager> locationManager;

  std::unique_ptr<LowpassFilter> gravityLpf;  // gravity estimate in accelerometer mode
  std::unique_ptr<HighpassFilter> userAccelerationHpf;
  std::unique_ptr<LowpassFilter> userAccelerationHpfLpf;
  std::unique_ptr<LowpassFilter> userAccelerationLpf;

  float maxUpAngle = 0, maxDownAngle = 0;  // view-angle clamp, degrees
  double rotx = 0, roty = 0, rotz = 0;     // last attitude angles after clamping, radians
  int64_t lastOrientation = 4;             // last usable device orientation
  bool delivered_ = false;                 // a sample has arrived since construction
};

}  // namespace qv
QV_EXPORT_END
