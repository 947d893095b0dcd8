#include "qv/navigation/DeviceMotionNavigator.h"

#include <cmath>

#include "qv/navigation/HighpassFilter.h"
#include "qv/navigation/LowpassFilter.h"
#include "qv/os/LocationManager.h"
#include "qv/os/MotionManager.h"

namespace qv {

DeviceMotionNavigator::DeviceMotionNavigator()
    : gravityLpf(std::make_unique<LowpassFilter>(1.0)),
      userAccelerationHpf(std::make_unique<HighpassFilter>(1000.0)),
      userAccelerationHpfLpf(std::make_unique<LowpassFilter>(10.0)),
      userAccelerationLpf(std::make_unique<LowpassFilter>(10.0)) {
  motionManager = MotionManager::create();
  if (motionManager->isDeviceMotionAvailable()) {
    motionManager->startDeviceMotionUpdates();
  } else {
    accelMode = true;
    motionManager->startAccelerometerUpdates();
    locationManager = LocationManager::create();
    if (locationManager->isHeadingAvailable()) locationManager->startUpdatingHeading();
  }
}

DeviceMotionNavigator::~DeviceMotionNavigator() {
  if (locationManager) {
    if (locationManager->isHeadingAvailable()) locationManager->stopUpdatingHeading();
    motionManager->stopAccelerometerUpdates();
  }
  if (motionManager->isDeviceMotionAvailable()) motionManager->stopDeviceMotionUpdates();
}

void DeviceMotionNavigator::restart() {
  motionManager->stopDeviceMotionUpdates();
  motionManager->startDeviceMotionUpdates();
}

double DeviceMotionNavigator::compassHeading() const {
  if (!accelMode || !locationManager) return 0;
  return locationManager->magneticHeading().value_or(0.0);
}

RotationMatrix DeviceMotionNavigator::accelerometerSample() {
  // A missing sample (none yet, or a failed read) is skipped: the filters keep their state and clock, and
  // the gravity estimate of the last sample stands.
  if (const std::optional<AccelerometerData> sample = motionManager->accelerometerData()) {
    delivered_ = true;
    // A sample older than the filters' clock (a source restarted, a repeated read) would give them a
    // negative time step, which flips the gravity estimate.
    if (sample->timestamp >= gravityLpf->lastTimestamp()) {
      Acceleration a{sample->x, sample->y, sample->z};
      gravityLpf->addAcceleration(a, sample->timestamp);
      userAccelerationHpf->addAcceleration(a, sample->timestamp);
      userAccelerationHpfLpf->addAcceleration(
          Acceleration{userAccelerationHpf->x(), userAccelerationHpf->y(), userAccelerationHpf->z()},
          sample->timestamp);
    }
  }
  return rotationMatrixFromGravity(float(gravityLpf->x()), float(gravityLpf->y()), float(gravityLpf->z()));
}

RotationMatrix DeviceMotionNavigator::sample(int64_t deviceOrientation) {
  if (accelMode) return accelerometerSample();

  const std::optional<DeviceMotion> latest = motionManager->deviceMotion();
  if (latest) delivered_ = true;
  const DeviceMotion sample = latest.value_or(DeviceMotion{});
  rotx = sample.attitude.pitch;
  roty = -sample.attitude.yaw;
  rotz = -sample.attitude.roll;

  if (maxUpAngle > maxDownAngle) {
    int64_t o = deviceOrientation;
    if (o == 0 || o == 5 || o == 6) o = lastOrientation;
    auto degrees = [](double radians) { return radians * 180.0 / M_PI; };
    auto magnitude = [&](double radians) { return std::abs(std::trunc(degrees(radians))); };
    auto limit = [](float limitDegrees, double sign) {
      double radians = double(limitDegrees) * M_PI / 180.0;
      return sign > 0 ? radians : -radians;
    };
    if (o == 3 || o == 4) {
      lastOrientation = o;
      if (magnitude(rotz) > maxUpAngle) rotz = limit(maxUpAngle, rotz);
      if (magnitude(rotz) < maxDownAngle) rotz = limit(maxDownAngle, rotz);
    } else if (o == 1 || o == 2) {
      lastOrientation = o;
      if (degrees(rotz) > 90 && magnitude(rotx) > maxUpAngle) rotx = limit(maxUpAngle, rotx);
      if (degrees(rotz) < 90 && magnitude(rotx) < maxDownAngle) rotx = limit(maxDownAngle, rotx);
    }
  }
  RotationMatrix matrix = pyrToMatrix2(rotx, roty, rotz);
  if (latest && sample.timestamp >= userAccelerationLpf->lastTimestamp())
    userAccelerationLpf->addAcceleration(
        Acceleration{sample.userAccelerationX, sample.userAccelerationY, sample.userAccelerationZ},
        sample.timestamp);
  return matrix;
}

}  // namespace qv
