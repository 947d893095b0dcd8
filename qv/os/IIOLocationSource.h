// The compass service on Industrial-I/O sensors: the tilt-compensated north channel where the sensor hub
// has one, otherwise the magnetometer tilt-compensated with the accelerometer (IIOSensorTree::heading).
// Any thread may call.
#pragma once

#include <atomic>
#include <memory>

#include "qv/os/IIOSensorTree.h"
#include "qv/os/LocationManager.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class IIOLocationSource : public LocationManager {
 public:
  explicit IIOLocationSource(std::shared_ptr<IIOSensorTree> sensors) : sensors_(std::move(sensors)) {}

  bool isHeadingAvailable() const override { return sensors_->hasCompass(); }
  void startUpdatingHeading() override { running_ = sensors_->hasCompass(); }
  void stopUpdatingHeading() override { running_ = false; }
  // Degrees in [0, 360); nullopt while stopped or when the sensor does not read.
  std::optional<double> magneticHeading() const override {
    return running_ ? sensors_->heading() : std::nullopt;
  }

 private:
  const std::shared_ptr<IIOSensorTree> sensors_;
  std::atomic<bool> running_{false};
};

}  // namespace qv
QV_EXPORT_END
