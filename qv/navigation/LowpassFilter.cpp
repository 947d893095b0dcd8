#include "qv/navigation/LowpassFilter.h"

namespace qv {

void LowpassFilter::addAcceleration(const Acceleration& a, double timestamp) {
  if (startsClock(timestamp)) return;
  double alpha = alphaFor(timestamp);
  if (adaptive_) {
    const double d = changeWeight(a);
    alpha = d * alpha + (1.0 - d) * alpha / kNoiseAttenuation;
  }
  x_ = x_ * (1.0 - alpha) + a.x * alpha;
  y_ = y_ * (1.0 - alpha) + a.y * alpha;
  z_ = z_ * (1.0 - alpha) + a.z * alpha;
  lastTimestamp_ = timestamp;
}

std::string LowpassFilter::name() const {
  return adaptive_ ? "Adaptive Lowpass Filter" : "Lowpass Filter";
}

}  // namespace qv
