// The motion service on Industrial-I/O sensors (IIOSensorTree). Device motion is available where a rotation
// sensor exists: its quaternion becomes pitch, yaw, roll, with yaw measured from the first reading after
// updates start. The accelerometer answers in g. A sensor that does not read gives no sample. Samples are
// stamped with the run-loop time of the poll. Any thread may call; the frame loop polls once per frame.
#pragma once

#include <memory>
#include <mutex>

#include "qv/os/IIOSensorTree.h"
#include "qv/os/MotionManager.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class IIOMotionSource : public MotionManager {
 public:
  explicit IIOMotionSource(std::shared_ptr<IIOSensorTree> sensors);

  bool isDeviceMotionAvailable() const override { return sensors_->hasRotation(); }
  void startDeviceMotionUpdates() override;
  void stopDeviceMotionUpdates() override;
  void startAccelerometerUpdates() override;
  void stopAccelerometerUpdates() override;
  std::optional<DeviceMotion> deviceMotion() const override;
  std::optional<AccelerometerData> accelerometerData() const override;

 private:
  const std::shared_ptr<IIOSensorTree> sensors_;
  mutable std::mutex lock_;
  bool deviceMotionRunning_ = false;   // guarded by lock_
  bool accelerometerRunning_ = false;  // guarded by lock_
  mutable std::optional<double>
      yawZero_;  // radians; taken from the first reading after a start; guarded by lock_
};

}  // namespace qv
QV_EXPORT_END
