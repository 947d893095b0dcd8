#include "qv/navigation/TouchNavigator.h"

#include <algorithm>
#include <cmath>

#include "qv/os/RunLoop.h"

namespace qv {

namespace {

constexpr double kDegrees = 180.0 / M_PI;
// The coast's time constant: a typical fast flick (a few hundred degrees a second) comes to rest in about a
// second, after turning on by speed x this.
constexpr double kCoastTimeConstant = 0.15;  // seconds
constexpr double kCoastStopSpeed = 0.5;      // degrees per second: below this the coast ends
constexpr double kCoastMinSpeed = 10;        // degrees per second: slower releases do not coast
constexpr double kReleaseWindow = 0.05;  // seconds: a release later than this after the last move is a stop
constexpr double kVelocityWindow = 0.1;  // seconds: moves further apart start a new velocity estimate

// Focal length of the view in points, or 0 when the view has no usable height or field of view.
double focalLength(const DragGeometry& g) {
  if (!(g.height > 0) || !(g.fieldOfView > 0 && g.fieldOfView < 180)) return 0;
  return g.height * 0.5 / std::tan(g.fieldOfView * 0.5 / kDegrees);
}

// The angle (degrees) between the view's centre line and a point `offset` points from the centre.
double angleAt(double offset, double focal) {
  return std::atan(offset / focal) * kDegrees;
}

}  // namespace

TouchNavigator::~TouchNavigator() {
  stopEasing();
}

void TouchNavigator::touchesBegan(double x, double y) {
  stopInertia();
  dragStartPosition[0] = x;
  dragStartPosition[1] = y;
  dragging = false;
  pinching_ = false;
  velocity_[0] = velocity_[1] = 0;
  touchStartTime = RunLoop::main().now();
  delta_trans = Vec4fRec{0, 0, 0, 1};
}

void TouchNavigator::touchesMoved(double x, double y, const DragGeometry& geometry) {
  noteMove();
  dragging = true;
  if (pinching_) {
    // Back to one finger after a pinch: the drag goes on from here, without a jump.
    pinching_ = false;
    dragStartPosition[0] = x;
    dragStartPosition[1] = y;
    velocity_[0] = velocity_[1] = 0;
    return;
  }
  double dx = x - dragStartPosition[0], dy = y - dragStartPosition[1];
  rotateZdelta = float(dx * 0.5);
  rotateYdelta = float(dy * 0.5);
  delta_trans.x = float(dx);
  delta_trans.y = float(dy);
  trans.x += delta_trans.x;
  trans.y += delta_trans.y;

  // The direction under the pointer before the move is under it after: the view turns by the difference of
  // the angles of the two pointer positions from the centre line.
  double yawDegrees, pitchDegrees;
  if (const double f = focalLength(geometry); f > 0) {
    const double cx = geometry.width * 0.5, cy = geometry.height * 0.5;
    yawDegrees = angleAt(x - cx, f) - angleAt(dragStartPosition[0] - cx, f);
    pitchDegrees = angleAt(y - cy, f) - angleAt(dragStartPosition[1] - cy, f);
  } else {
    // No view size to measure with: half a drag unit per point, as the offsets count them.
    yawDegrees = dx * 0.5 / geometry.yawUnits;
    pitchDegrees = dy * 0.5 / 1.5;
  }
  dragStartPosition[0] = x;
  dragStartPosition[1] = y;
  addTurn(yawDegrees, pitchDegrees, geometry);
  delta_trans.x = delta_trans.y = 0;

  const double now = RunLoop::main().now(), dt = now - lastMoveTime_;
  if (dt > kVelocityWindow) {
    velocity_[0] = velocity_[1] = 0;
  } else if (dt > 0) {
    velocity_[0] = 0.5 * velocity_[0] + 0.5 * yawDegrees / dt;
    velocity_[1] = 0.5 * velocity_[1] + 0.5 * pitchDegrees / dt;
  }
  lastMoveTime_ = now;
  coastGeometry_ = geometry;
}

bool TouchNavigator::touchesEnded(double x, double y) {
  const bool tap = !dragging;
  rotateZdelta = rotateYdelta = 0;
  trans.x += delta_trans.x;
  trans.y += delta_trans.y;
  delta_trans.x = delta_trans.y = 0;
  rotateZ += float((x - dragStartPosition[0]) * 0.5);
  rotateY += float((y - dragStartPosition[1]) * 0.5);
  const double now = RunLoop::main().now();
  touchEndTime = now;
  const double speed = std::hypot(velocity_[0], velocity_[1]);
  if (dragging && !pinching_ && inertiaEnabled_ && now - lastMoveTime_ <= kReleaseWindow &&
      speed >= kCoastMinSpeed) {
    coastStart_ = now;
    coastVelocity_[0] = velocity_[0];
    coastVelocity_[1] = velocity_[1];
    coastTravelled_[0] = coastTravelled_[1] = 0;
    // The navigator stops this timer when it goes, so the timer never outlives it.
    inertiaTimer_ = RunLoop::main().scheduleTimer(1.0 / 60, true, [this] { coastStep(); });
  }
  pinching_ = false;
  return tap;
}

void TouchNavigator::touchesCancelled() {
  // The system took the touch away (a gesture elsewhere): no tap, and the drag so far stays; the
  // auto-level delay counts from now.
  dragging = false;
  pinching_ = false;
  delta_trans.x = delta_trans.y = 0;
  touchEndTime = RunLoop::main().now();
}

std::optional<float> TouchNavigator::pinchMoved(double x0, double y0, double x1, double y1,
                                                const DragGeometry& geometry) {
  dragging = true;  // a pinch is never a tap
  const double distance = std::hypot(x1 - x0, y1 - y0);
  if (!pinching_ || !(pinchDistance_ > 0) || !(distance > 0)) {
    pinching_ = true;
    pinchDistance_ = distance;
    return std::nullopt;
  }
  const float factor = float(pinchDistance_ / distance);
  pinchDistance_ = distance;
  return zoom(factor, (x0 + x1) * 0.5, (y0 + y1) * 0.5, geometry);
}

float TouchNavigator::zoom(float factor, double x, double y, const DragGeometry& geometry) {
  const float current = geometry.fieldOfView;
  if (!(factor > 0) || !(current > 0 && current < 180)) return current;
  const double half = std::atan(std::tan(current * 0.5 / kDegrees) * factor) * kDegrees;
  const float wanted = std::clamp(float(2 * half), zoomLimits_.minimum, zoomLimits_.maximum);
  DragGeometry after = geometry;
  after.fieldOfView = wanted;
  const double before = focalLength(geometry), now = focalLength(after);
  if (before > 0 && now > 0) {
    // Turn so that the direction under (x, y) at the old field of view is under it at the new one.
    const double dx = x - geometry.width * 0.5, dy = y - geometry.height * 0.5;
    addTurn(angleAt(dx, now) - angleAt(dx, before), angleAt(dy, now) - angleAt(dy, before), geometry);
  }
  return wanted;
}

void TouchNavigator::turn(float yawDegrees, float pitchDegrees, const DragGeometry& geometry) {
  noteMove();
  addTurn(yawDegrees, pitchDegrees, geometry);
}

void TouchNavigator::addTurn(double yawDegrees, double pitchDegrees, const DragGeometry& geometry) {
  const float h = float(yawDegrees * geometry.yawUnits);
  if (geometry.flipYaw) {
    rotatedirection.x -= h;
  } else {
    rotatedirection.x += h;
  }
  // The pitch offset never exceeds 90 degrees of camera pitch (135 drag units = 90 x 1.5).
  float v = rotatedirection.y - float(pitchDegrees * 1.5);
  if (v / 1.5f <= -90) v = -135;
  if (v / 1.5f >= 90) v = 135;
  rotatedirection.y = v;
}

void TouchNavigator::setRotationX(float degrees, float k) {
  noteMove();
  stopInertia();
  rotatedirection.x = k * degrees;
}

void TouchNavigator::setRotationY(float degrees) {
  noteMove();
  stopInertia();
  rotatedirection.y = degrees * -1.5f;
}

void TouchNavigator::setInertia(bool enabled) {
  inertiaEnabled_ = enabled;
  if (!enabled) stopInertia();
}

void TouchNavigator::coastStep() {
  const double t = RunLoop::main().now() - coastStart_;
  const double decay = std::exp(-t / kCoastTimeConstant);
  double step[2];
  for (int i = 0; i < 2; ++i) {
    const double travelled = coastVelocity_[i] * kCoastTimeConstant * (1 - decay);
    step[i] = travelled - coastTravelled_[i];
    coastTravelled_[i] = travelled;
  }
  addTurn(step[0], step[1], coastGeometry_);
  noteMove();
  if (std::hypot(coastVelocity_[0], coastVelocity_[1]) * decay < kCoastStopSpeed) stopInertia();
}

void TouchNavigator::stopInertia() {
  if (inertiaTimer_) inertiaTimer_->invalidate();
  inertiaTimer_.reset();
}

void TouchNavigator::noteMove() {
  touchEndTime = RunLoop::main().now();
  levelled_ = false;
  if (movetimer) movetimer->invalidate();
  movetimer.reset();
}

void TouchNavigator::autoLevelIfDue() {
  // One easing per pause: once the pitch is level nothing moves it until the next move.
  if (bAutolevel && !levelled_ && RunLoop::main().now() - touchEndTime > fAutolevel) moveBack();
}

void TouchNavigator::moveBack() {
  if (movetimer) return;
  start = rotatedirection.y;
  delta = 0 - rotatedirection.y;
  step = 60.0f;
  // The navigator stops this timer when it goes, so the timer never outlives it.
  movetimer = RunLoop::main().scheduleTimer(1.0 / 30, true, [this] { moveStep(); });
}

void TouchNavigator::moveStep() {
  rotatedirection.y = start + delta * 0.5f * (1.0f - std::cos(float(M_PI) * (60.0f - step) / 60.0f));
  step -= 1;
  if (step <= 0) {
    rotatedirection.y = 0;
    levelled_ = true;
    if (movetimer) movetimer->invalidate();
    movetimer.reset();
  }
}

float TouchNavigator::ease() const {
  return start + delta * 0.5f * 0.04894345998764038f;
}

void TouchNavigator::stopEasing() {
  if (movetimer) movetimer->invalidate();
  movetimer.reset();
  stopInertia();
}

}  // namespace qv
