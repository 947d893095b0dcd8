// How many drag units make one degree of yaw: the main screen's scale x height / divisor (the camera uses
// divisor 500, the legacy camera 250). Where the screen reports no usable height the view's own height
// (points) stands in, and 1 where that is zero too, so yaw never becomes NaN.
#pragma once

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

float yawDivisor(double divisor, double viewHeight);

}  // namespace qv
QV_EXPORT_END
