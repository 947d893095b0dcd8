// A unit quaternion for the motion sources that measure rotation rather than angles (IIO rotation sensors,
// integrated gyroscopes). It rotates device coordinates into the reference frame (z up) and converts to the
// pitch, yaw, roll that the motion service reports: R = Rz(yaw) * Rx(pitch) * Ry(roll), pitch in
// [-pi/2, pi/2] about the device's x axis, roll about y, yaw about the vertical. Header-only; plain value.
#pragma once

#include <algorithm>
#include <cmath>

#include "qv/os/MotionManager.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

struct AttitudeQuaternion {
  double w = 1, x = 0, y = 0, z = 0;

  // A rotation by `angle` radians about the unit axis (ax, ay, az).
  static AttitudeQuaternion fromAxisAngle(double ax, double ay, double az, double angle) {
    double s = std::sin(angle / 2);
    return {std::cos(angle / 2), ax * s, ay * s, az * s};
  }

  // this * other: apply `other` first (in device coordinates), then this.
  AttitudeQuaternion operator*(const AttitudeQuaternion& o) const {
    return {w * o.w - x * o.x - y * o.y - z * o.z, w * o.x + x * o.w + y * o.z - z * o.y,
            w * o.y - x * o.z + y * o.w + z * o.x, w * o.z + x * o.y - y * o.x + z * o.w};
  }

  double norm() const { return std::sqrt(w * w + x * x + y * y + z * z); }

  // Unit length; the identity when the length is zero or not finite.
  AttitudeQuaternion normalized() const {
    double n = norm();
    if (!(n > 0) || !std::isfinite(n)) return {};
    return {w / n, x / n, y / n, z / n};
  }

  Attitude toAttitude() const {
    AttitudeQuaternion q = normalized();
    Attitude a;
    a.pitch = std::asin(std::clamp(2 * (q.y * q.z + q.w * q.x), -1.0, 1.0));
    a.roll = std::atan2(2 * (q.w * q.y - q.x * q.z), 1 - 2 * (q.x * q.x + q.y * q.y));
    a.yaw = std::atan2(2 * (q.w * q.z - q.x * q.y), 1 - 2 * (q.x * q.x + q.z * q.z));
    return a;
  }
};

// An angle in radians wrapped into (-pi, pi].
inline double wrapRadians(double angle) {
  double wrapped = std::remainder(angle, 2 * M_PI);
  return wrapped <= -M_PI ? wrapped + 2 * M_PI : wrapped;
}

}  // namespace qv
QV_EXPORT_END
