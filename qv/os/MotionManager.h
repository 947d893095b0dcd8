// The device-motion service the view polls once per frame: fused attitude where the device has it,
// otherwise raw accelerometer samples. Implementations deliver asynchronously and keep the latest
// sample; the kit only reads the latest one. MotionManager::create() uses the host's factory, or the
// default with no sensors.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

struct Attitude {
  double pitch = 0, yaw = 0, roll = 0;  // radians; yaw relative to the start of updates
};

struct DeviceMotion {
  Attitude attitude;
  double userAccelerationX = 0, userAccelerationY = 0, userAccelerationZ = 0;  // g
  double timestamp = 0;                                                        // seconds
};

struct AccelerometerData {
  double x = 0, y = 0, z = 0;  // g
  double timestamp = 0;        // seconds
};

class MotionManager {
 public:
  using Factory = std::function<std::shared_ptr<MotionManager>()>;
  virtual ~MotionManager() = default;

  static std::shared_ptr<MotionManager> create();
  static void setFactory(Factory factory);

  virtual bool isDeviceMotionAvailable() const = 0;
  virtual void startDeviceMotionUpdates() = 0;
  virtual void stopDeviceMotionUpdates() = 0;
  virtual void startAccelerometerUpdates() = 0;
  virtual void stopAccelerometerUpdates() = 0;
  // The latest samples; nullopt before the first one.
  virtual std::optional<DeviceMotion> deviceMotion() const = 0;
  virtual std::optional<AccelerometerData> accelerometerData() const = 0;
};

// A device without motion sensors: device motion unavailable, no samples ever.
class NullMotionManager : public MotionManager {
 public:
  bool isDeviceMotionAvailable() const override { return false; }
  void startDeviceMotionUpdates() override {}
  void stopDeviceMotionUpdates() override {}
  void startAccelerometerUpdates() override {}
  void stopAccelerometerUpdates() override {}
  std::optional<DeviceMotion> deviceMotion() const override { return std::nullopt; }
  std::optional<AccelerometerData> accelerometerData() const override { return std::nullopt; }
};

}  // namespace qv
QV_EXPORT_END
