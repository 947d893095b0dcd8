// The motion sensors of the Linux Industrial-I/O subsystem, read through sysfs under a root directory
// (normally /sys/bus/iio/devices, each device a directory "iio:deviceN" of attribute files). open() picks,
// in device order, the first usable device-rotation quaternion sensor, accelerometer, magnetometer and
// tilt-compensated north channel. Readings are polled from the attribute files when asked, at most once
// per 4 ms of run-loop time (each frame reads fresh values, repeated calls within a frame reuse them). A
// channel that stops reading (file gone, unreadable, not a number) gives nullopt and one log line until it
// reads again. Shared by IIOMotionSource and IIOLocationSource; any thread may call.
#pragma once

#include <array>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "qv/os/AttitudeQuaternion.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class IIOSensorTree {
 public:
  static constexpr const char* kDefaultRoot = "/sys/bus/iio/devices";

  // nullptr when the root holds no usable motion sensor (a missing root is not an error).
  static std::shared_ptr<IIOSensorTree> open(const std::string& root = kDefaultRoot);

  bool hasRotation() const { return rotation_.has_value(); }
  bool hasAccelerometer() const { return accel_.has_value(); }
  bool hasCompass() const { return north_.has_value() || magn_.has_value(); }
  // One line naming the sensors in use, e.g. "rotation iio:device2 (dev_rotation)".
  std::string description() const;

  // Device-to-world rotation of the fused sensor.
  std::optional<AttitudeQuaternion> rotation() const;
  // g, in the motion service's convention: gravity itself, so a device lying face up reads z = -1.
  std::optional<std::array<double, 3>> acceleration() const;
  // Magnetic heading of the device's top edge, degrees in [0, 360).
  std::optional<double> heading() const;

 private:
  // One scalar channel: value = (raw + offset) * scale.
  struct Channel {
    std::string raw;  // path of the *_raw file
    double scale = 1, offset = 0;
  };
  // A sensor: its channels (three axes, one heading, or one four-value quaternion) and its read state.
  struct Sensor {
    std::string device;  // "iio:deviceN (name)"
    std::vector<Channel> channels;
    mutable double readTime = -1;  // run-loop seconds of the cached reading
    mutable std::optional<std::vector<double>> values;
    mutable bool failing = false;  // logged once until it reads again
  };

  IIOSensorTree() = default;
  std::optional<std::vector<double>> read(const Sensor& sensor, size_t valuesPerChannel) const;

  std::optional<Sensor> rotation_, accel_, magn_, north_;
  mutable std::mutex lock_;  // guards the read state of every sensor
};

}  // namespace qv
QV_EXPORT_END
