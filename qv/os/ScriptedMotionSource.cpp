#include "qv/os/ScriptedMotionSource.h"

#include <algorithm>

#include "qv/os/AttitudeQuaternion.h"
#include "qv/os/RunLoop.h"

namespace qv {

ScriptedMotionSource::ScriptedMotionSource(std::shared_ptr<MotionTrace> trace) : trace_(std::move(trace)) {}

bool ScriptedMotionSource::isDeviceMotionAvailable() const {
  return trace_->hasAttitude();
}

void ScriptedMotionSource::startDeviceMotionUpdates() {
  if (!trace_->hasAttitude()) return;
  trace_->beginReplay();
  // Before the trace's first row, the first reading the device will give sets the zero.
  double t = std::max(trace_->replayTime().value_or(0.0), trace_->samples().front().time);
  std::lock_guard<std::mutex> guard(lock_);
  deviceMotionRunning_ = true;
  yawZero_ = trace_->sampleAt(t)->yaw;
}

void ScriptedMotionSource::stopDeviceMotionUpdates() {
  std::lock_guard<std::mutex> guard(lock_);
  deviceMotionRunning_ = false;
}

void ScriptedMotionSource::startAccelerometerUpdates() {
  if (!trace_->hasAcceleration()) return;
  trace_->beginReplay();
  std::lock_guard<std::mutex> guard(lock_);
  accelerometerRunning_ = true;
}

void ScriptedMotionSource::stopAccelerometerUpdates() {
  std::lock_guard<std::mutex> guard(lock_);
  accelerometerRunning_ = false;
}

std::optional<DeviceMotion> ScriptedMotionSource::deviceMotion() const {
  double yawZero;
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (!deviceMotionRunning_) return std::nullopt;
    yawZero = yawZero_;
  }
  std::optional<double> t = trace_->replayTime();
  std::optional<MotionTraceSample> s = t ? trace_->sampleAt(*t) : std::nullopt;
  if (!s) return std::nullopt;
  DeviceMotion motion;
  motion.attitude.pitch = s->pitch;
  motion.attitude.yaw = wrapRadians(s->yaw - yawZero);
  motion.attitude.roll = s->roll;
  motion.userAccelerationX = s->uax;
  motion.userAccelerationY = s->uay;
  motion.userAccelerationZ = s->uaz;
  motion.timestamp = RunLoop::main().now();
  return motion;
}

std::optional<AccelerometerData> ScriptedMotionSource::accelerometerData() const {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (!accelerometerRunning_) return std::nullopt;
  }
  std::optional<double> t = trace_->replayTime();
  std::optional<MotionTraceSample> s = t ? trace_->sampleAt(*t) : std::nullopt;
  if (!s) return std::nullopt;
  return AccelerometerData{s->ax, s->ay, s->az, RunLoop::main().now()};
}

}  // namespace qv
