#include "qv/navigation/HighpassFilter.h"

namespace qv {

void HighpassFilter::addAcceleration(const Acceleration& a, double timestamp) {
  if (startsClock(timestamp)) return;
  double alpha = alphaFor(timestamp);
  if (adaptive_) {
    const double d = changeWeight(a);
    alpha = (1.0 - d) * alpha + d * alpha / kNoiseAttenuation;
  }
  x_ = alpha * (x_ + a.x - lastX_);
  y_ = alpha * (y_ + a.y - lastY_);
  z_ = alpha * (z_ + a.z - lastZ_);
  lastX_ = a.x;
  lastY_ = a.y;
  lastZ_ = a.z;
  lastTimestamp_ = timestamp;
}

std::string HighpassFilter::name() const {
  return adaptive_ ? "Adaptive Highpass Filter" : "Highpass Filter";
}

}  // namespace qv
