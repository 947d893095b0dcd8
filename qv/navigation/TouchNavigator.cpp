#include "qv/navigation/TouchNavigator.h"

#include <cmath>

#include "qv/os/RunLoop.h"

TouchNavigator::~TouchNavigator() {
  stopEasing();
}

void TouchNavigator::touchesBegan(double x, double y) {
  dragStartPosition[0] = x;
  dragStartPosition[1] = y;
  dragging = false;
  touchStartTime = RunLoop::main().now();
  delta_trans = Vec4fRec{0, 0, 0, 1};
}

void TouchNavigator::touchesMoved(double x, double y, bool flipYaw) {
  touchEndTime = RunLoop::main().now();
  stopEasing();
  dragging = true;
  double dx = x - dragStartPosition[0], dy = y - dragStartPosition[1];
  rotateZdelta = float(dx * 0.5);
  rotateYdelta = float(dy * 0.5);
  delta_trans.x = float(dx);
  delta_trans.y = float(dy);
  dragStartPosition[0] = x;
  dragStartPosition[1] = y;
  trans.x += delta_trans.x;
  trans.y += delta_trans.y;

  float h = delta_trans.x * 0.5f;
  if (flipYaw) {
    rotatedirection.x -= h;
  } else {
    rotatedirection.x += h;
  }
  // The pitch offset never exceeds 90 degrees of camera pitch (135 drag units = 90 x 1.5).
  float v = rotatedirection.y + delta_trans.y * -0.5f;
  if (v / 1.5f <= -90) v = -135;
  if (v / 1.5f >= 90) v = 135;
  rotatedirection.y = v;
  delta_trans.x = delta_trans.y = 0;
}

bool TouchNavigator::touchesEnded(double x, double y) {
  const bool tap = !dragging;
  rotateZdelta = rotateYdelta = 0;
  trans.x += delta_trans.x;
  trans.y += delta_trans.y;
  delta_trans.x = delta_trans.y = 0;
  rotateZ += float((x - dragStartPosition[0]) * 0.5);
  rotateY += float((y - dragStartPosition[1]) * 0.5);
  touchEndTime = RunLoop::main().now();
  return tap;
}

void TouchNavigator::touchesCancelled() {
  // The system took the touch away (a gesture elsewhere): no tap, and the drag so far stays; the
  // auto-level delay counts from now.
  dragging = false;
  delta_trans.x = delta_trans.y = 0;
  touchEndTime = RunLoop::main().now();
}

void TouchNavigator::autoLevelIfDue() {
  if (bAutolevel && RunLoop::main().now() - touchEndTime > fAutolevel) moveBack();
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
    stopEasing();
  }
}

float TouchNavigator::ease() const {
  return start + delta * 0.5f * 0.04894345998764038f;
}

void TouchNavigator::stopEasing() {
  if (movetimer) movetimer->invalidate();
  movetimer.reset();
}
