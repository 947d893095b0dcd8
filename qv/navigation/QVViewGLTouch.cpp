// Touch navigation: drags turn the yaw and pitch offsets in rotatedirection, a touch that does not move is
// a tap for the responder, and after a pause the auto-level easing brings the pitch back to the horizon.
#include <cmath>

#include "qv/core/QVViewGL.h"
#include "qv/core/QVViewResponder.h"
#include "qv/os/RunLoop.h"

QVViewGL::Touch QVViewGL::getLocationOfFirstTouch(const std::vector<Touch>& touches) const {
  return touches.empty() ? Touch{} : touches.front();
}

bool QVViewGL::isTouchInView(const std::vector<Touch>& touches) const {
  for (const auto& touch : touches)
    if (touch.view != this) return false;
  return true;
}

void QVViewGL::touchesBegan(const std::vector<Touch>& touches) {
  Touch p = getLocationOfFirstTouch(touches);
  dragStartPosition[0] = p.x;
  dragStartPosition[1] = p.y;
  dragging = false;
  touchStartTime = RunLoop::main().now();
  delta_trans = Vec4fRec{0, 0, 0, 1};
}

void QVViewGL::touchesMoved(const std::vector<Touch>& touches) {
  Touch p = getLocationOfFirstTouch(touches);
  touchEndTime = RunLoop::main().now();
  if (movetimer) {
    movetimer->invalidate();
    movetimer.reset();
  }
  dragging = true;
  double dx = p.x - dragStartPosition[0], dy = p.y - dragStartPosition[1];
  rotateZdelta = float(dx * 0.5);
  rotateYdelta = float(dy * 0.5);
  delta_trans.x = float(dx);
  delta_trans.y = float(dy);
  dragStartPosition[0] = p.x;
  dragStartPosition[1] = p.y;
  trans.x += delta_trans.x;
  trans.y += delta_trans.y;

  float h = delta_trans.x * 0.5f;
  if (navigationMode == 0 && interfaceOrientation == 4) {
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

void QVViewGL::touchesEnded(const std::vector<Touch>& touches) {
  if (!dragging) {
    if (auto responder = std::dynamic_pointer_cast<QVViewResponder>(delegate.lock()))
      responder->viewWasTouched();
  }
  Touch p = getLocationOfFirstTouch(touches);
  rotateZdelta = rotateYdelta = 0;
  trans.x += delta_trans.x;
  trans.y += delta_trans.y;
  delta_trans.x = delta_trans.y = 0;
  rotateZ += float((p.x - dragStartPosition[0]) * 0.5);
  rotateY += float((p.y - dragStartPosition[1]) * 0.5);
  touchEndTime = RunLoop::main().now();
}

void QVViewGL::touchesCancelled(const std::vector<Touch>&) {
  // The system took the touch away (a gesture elsewhere): no tap, and the drag so far stays; the
  // auto-level delay counts from now.
  dragging = false;
  delta_trans.x = delta_trans.y = 0;
  touchEndTime = RunLoop::main().now();
}

float QVViewGL::screenDivisor(double divisor) const {
  const double scale = Environment::current().screenScale();
  const double height = Environment::current().screenBounds().height;
  float k = float(scale * height / divisor);
  if (std::isfinite(k) && k != 0) return k;
  k = float((std::isfinite(scale) && scale > 0 ? scale : 1.0) * frame_.height / divisor);
  if (std::isfinite(k) && k != 0) return k;
  return divisor < 0 ? -1.0f : 1.0f;
}

void QVViewGL::setRotationY(float degrees) {
  rotatedirection.y = degrees * -1.5f;
}

float QVViewGL::getRotationY() const {
  return rotatedirection.y / -1.5f;
}

void QVViewGL::setRotationX(float degrees) {
  rotatedirection.x = screenDivisor(-500) * degrees;
}

float QVViewGL::getRotationX() const {
  return rotatedirection.x / screenDivisor(-500);
}

void QVViewGL::moveBack() {
  if (movetimer) return;
  start = rotatedirection.y;
  delta = 0 - rotatedirection.y;
  step = 60.0f;
  std::weak_ptr<QVViewGL> weak = weak_from_this();
  movetimer = RunLoop::main().scheduleTimer(1.0 / 30, true, [weak] {
    if (auto view = weak.lock()) view->moveStep();
  });
}

void QVViewGL::moveStep() {
  rotatedirection.y = start + delta * 0.5f * (1.0f - std::cos(float(M_PI) * (60.0f - step) / 60.0f));
  step -= 1;
  if (step <= 0) {
    rotatedirection.y = 0;
    if (movetimer) movetimer->invalidate();
    movetimer.reset();
  }
}

float QVViewGL::ease() const {
  return start + delta * 0.5f * 0.04894345998764038f;
}
