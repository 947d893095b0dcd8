// Low-pass acceleration filter: the output follows the samples with time constant RC = 1 / cutoff; in
// adaptive mode small (noise) changes are followed three times more slowly.
#pragma once

#include "qv/navigation/AccelerometerFilter.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class LowpassFilter : public AccelerometerFilter {
 public:
  explicit LowpassFilter(double cutoffFrequency) : AccelerometerFilter(cutoffFrequency) {}  // Hz
  void addAcceleration(const Acceleration& acceleration, double timestamp) override;
  std::string name() const override;
};

}  // namespace qv
QV_EXPORT_END
