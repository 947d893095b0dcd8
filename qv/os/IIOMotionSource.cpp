#include "qv/os/IIOMotionSource.h"

#include "qv/os/RunLoop.h"

namespace qv {

IIOMotionSource::IIOMotionSource(std::shared_ptr<IIOSensorTree> sensors) : sensors_(std::move(sensors)) {}

void IIOMotionSource::startDeviceMotionUpdates() {
  if (!sensors_->hasRotation()) return;
  // The device's heading now is the new yaw zero; if the sensor cannot read now, the first reading sets it.
  std::optional<AttitudeQuaternion> q = sensors_->rotation();
  std::lock_guard<std::mutex> guard(lock_);
  deviceMotionRunning_ = true;
  yawZero_.reset();
  if (q) yawZero_ = q->toAttitude().yaw;
}

void IIOMotionSource::stopDeviceMotionUpdates() {
  std::lock_guard<std::mutex> guard(lock_);
  deviceMotionRunning_ = false;
}

void IIOMotionSource::startAccelerometerUpdates() {
  std::lock_guard<std::mutex> guard(lock_);
  accelerometerRunning_ = sensors_->hasAccelerometer();
}

void IIOMotionSource::stopAccelerometerUpdates() {
  std::lock_guard<std::mutex> guard(lock_);
  accelerometerRunning_ = false;
}

std::optional<DeviceMotion> IIOMotionSource::deviceMotion() const {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (!deviceMotionRunning_) return std::nullopt;
  }
  std::optional<AttitudeQuaternion> q = sensors_->rotation();
  if (!q) return std::nullopt;
  DeviceMotion motion;
  motion.attitude = q->toAttitude();
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (!yawZero_) yawZero_ = motion.attitude.yaw;
    motion.attitude.yaw = wrapRadians(motion.attitude.yaw - *yawZero_);
  }
  motion.timestamp = RunLoop::main().now();
  return motion;
}

std::optional<AccelerometerData> IIOMotionSource::accelerometerData() const {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (!accelerometerRunning_) return std::nullopt;
  }
  std::optional<std::array<double, 3>> g = sensors_->acceleration();
  if (!g) return std::nullopt;
  return AccelerometerData{(*g)[0], (*g)[1], (*g)[2], RunLoop::main().now()};
}

}  // namespace qv
