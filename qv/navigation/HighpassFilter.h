// High-pass acceleration filter: passes changes and decays toward zero for a constant input; in adaptive
// mode large changes pass at a third of the strength, noise at full strength.
#pragma once

#include "qv/navigation/AccelerometerFilter.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class HighpassFilter : public AccelerometerFilter {
 public:
  explicit HighpassFilter(double cutoffFrequency) : AccelerometerFilter(cutoffFrequency) {}  // Hz
  void addAcceleration(const Acceleration& acceleration, double timestamp) override;
  std::string name() const override;

 private:
  double lastX_ = 0.0, lastY_ = 0.0, lastZ_ = 0.0;  // the previous raw sample
};

}  // namespace qv
QV_EXPORT_END
