// The tap recogniser of a view: the host reports finished taps (a touch that went down and up without
// moving) in the view's coordinates, and the recogniser calls its action when the tap has the required
// number of taps and touches. Owned by the view it serves; main thread only.
#pragma once

#include <functional>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class TapRecognizer {
 public:
  using Action = std::function<void(TapRecognizer&)>;
  explicit TapRecognizer(Action action) : action_(std::move(action)) {}

  void setNumberOfTapsRequired(int taps) { tapsRequired_ = taps; }
  void setNumberOfTouchesRequired(int touches) { touchesRequired_ = touches; }
  int numberOfTapsRequired() const { return tapsRequired_; }
  int numberOfTouchesRequired() const { return touchesRequired_; }
  void setEnabled(bool enabled) { enabled_ = enabled; }
  bool isEnabled() const { return enabled_; }

  // A finished tap at (x, y) points in the view. True when it was recognised (the action ran).
  bool tap(double x, double y, int taps = 1, int touches = 1) {
    if (!enabled_ || taps != tapsRequired_ || touches != touchesRequired_ || !action_) return false;
    x_ = x;
    y_ = y;
    action_(*this);
    return true;
  }

  // Where the last recognised tap was, in the view's points.
  double locationX() const { return x_; }
  double locationY() const { return y_; }

 private:
  Action action_;
  int tapsRequired_ = 1, touchesRequired_ = 1;
  bool enabled_ = true;
  double x_ = 0, y_ = 0;
};

}  // namespace qv
QV_EXPORT_END
