#include "qv/navigation/AccelerometerFilter.h"

#include <algorithm>
#include <cmath>

namespace qv {

double Norm(double x, double y, double z) {
  return std::sqrt(x * x + y * y + z * z);
}

double Clamp(double v, double min, double max) {
  if (v > max) return max;
  return std::max(min, v);
}

void AccelerometerFilter::addAcceleration(const Acceleration& acceleration, double timestamp) {
  x_ = acceleration.x;
  y_ = acceleration.y;
  z_ = acceleration.z;
  lastTimestamp_ = timestamp;
}

std::string AccelerometerFilter::name() const {
  return "You should not see this";
}

void AccelerometerFilter::setCutoffFrequency(double frequency) {
  RC_ = 1.0 / frequency;
}

bool AccelerometerFilter::startsClock(double timestamp) {
  if (lastTimestamp_ >= 0.0) return false;
  lastTimestamp_ = timestamp;
  return true;
}

double AccelerometerFilter::alphaFor(double timestamp) const {
  const double dt = timestamp - lastTimestamp_;
  return dt / (RC_ + dt);
}

double AccelerometerFilter::changeWeight(const Acceleration& a) const {
  return Clamp(std::fabs(Norm(x_, y_, z_) - Norm(a.x, a.y, a.z)) / kMinStep - 1.0, 0.0, 1.0);
}

}  // namespace qv
