// The motion service replaying a recorded trace (tests, `qvview --motion trace.csv`). Device motion is
// available when the trace has attitude columns; the accelerometer answers when it has acceleration columns.
// Samples are polled: each read gives the trace's state at the current run-loop time, stamped with that time,
// so filters see a sensor that keeps delivering. Starting device-motion updates makes the device's current
// yaw the new zero, as the phone's motion service does. Any thread may call.
#pragma once

#include <memory>
#include <mutex>

#include "qv/os/MotionManager.h"
#include "qv/os/MotionTrace.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class ScriptedMotionSource : public MotionManager {
 public:
  explicit ScriptedMotionSource(std::shared_ptr<MotionTrace> trace);

  bool isDeviceMotionAvailable() const override;
  void startDeviceMotionUpdates() override;
  void stopDeviceMotionUpdates() override;
  void startAccelerometerUpdates() override;
  void stopAccelerometerUpdates() override;
  std::optional<DeviceMotion> deviceMotion() const override;
  std::optional<AccelerometerData> accelerometerData() const override;

 private:
  const std::shared_ptr<MotionTrace> trace_;
  mutable std::mutex lock_;
  bool deviceMotionRunning_ = false;   // guarded by lock_
  bool accelerometerRunning_ = false;  // guarded by lock_
  double yawZero_ = 0;                 // radians, trace yaw when device motion last started; guarded by lock_
};

}  // namespace qv
QV_EXPORT_END
