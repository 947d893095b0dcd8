// The compass service used in accelerometer mode: magnetic heading in degrees. LocationManager::create()
// uses the host's factory, or the default with no compass.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class LocationManager {
 public:
  using Factory = std::function<std::shared_ptr<LocationManager>()>;
  virtual ~LocationManager() = default;

  static std::shared_ptr<LocationManager> create();
  static void setFactory(Factory factory);

  virtual bool isHeadingAvailable() const = 0;
  virtual void startUpdatingHeading() = 0;
  virtual void stopUpdatingHeading() = 0;
  // Degrees; nullopt before the first reading.
  virtual std::optional<double> magneticHeading() const = 0;
};

// A device without a compass.
class NullLocationManager : public LocationManager {
 public:
  bool isHeadingAvailable() const override { return false; }
  void startUpdatingHeading() override {}
  void stopUpdatingHeading() override {}
  std::optional<double> magneticHeading() const override { return std::nullopt; }
};

}  // namespace qv
QV_EXPORT_END
