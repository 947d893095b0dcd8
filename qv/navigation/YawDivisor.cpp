#include "qv/navigation/YawDivisor.h"

#include <cmath>

#include "qv/os/Environment.h"

namespace qv {

float yawDivisor(double divisor, double viewHeight) {
  const double scale = Environment::current().screenScale();
  const double height = Environment::current().screenBounds().height;
  float k = float(scale * height / divisor);
  if (std::isfinite(k) && k != 0) return k;
  k = float((std::isfinite(scale) && scale > 0 ? scale : 1.0) * viewHeight / divisor);
  if (std::isfinite(k) && k != 0) return k;
  return divisor < 0 ? -1.0f : 1.0f;
}

}  // namespace qv
