// Touch navigation: drags turn the yaw and pitch offsets (rotatedirection, in drag units) so that the point
// grabbed stays under the pointer, a fast drag coasts on (inertia) when let go, two touches zoom, a touch
// that does not move is a tap, and after a pause without any move the auto-level easing brings the pitch
// back to the horizon. Owned by the view; main thread only. Inertia and easing run on timers of the main run
// loop and read its clock, so a manual clock drives them in tests; the navigator stops both when it goes.
#pragma once

#include <memory>
#include <optional>

#include "qv/core/Rotation.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class Timer;

// What a gesture needs to know of the view to keep the grabbed point under the pointer.
struct DragGeometry {
  double width = 0, height = 0;  // the view, points
  float fieldOfView = 75;        // vertical, degrees
  float yawUnits = 1;            // drag units per degree of yaw (the camera's yaw divisor)
  bool flipYaw = false;  // dragging right turns the yaw offset down (motion navigation, orientation 4)
};

class TouchNavigator {
 public:
  // The field-of-view range that zooming keeps to, degrees.
  struct ZoomLimits {
    float minimum = 30, maximum = 110;
  };

  TouchNavigator() = default;
  ~TouchNavigator();
  TouchNavigator(const TouchNavigator&) = delete;
  TouchNavigator& operator=(const TouchNavigator&) = delete;

  // One pointer at (x, y) points. A new touch stops the inertia at once. touchesEnded returns true when the
  // touch never moved (a tap); a fast drag let go starts the inertia.
  void touchesBegan(double x, double y);
  void touchesMoved(double x, double y, const DragGeometry& geometry);
  bool touchesEnded(double x, double y);
  void touchesCancelled();
  // Two touches: the field of view follows the distance between them, keeping the point under their centre
  // where the limits allow. Returns the new field of view (nullopt on the pinch's first event).
  std::optional<float> pinchMoved(double x0, double y0, double x1, double y1, const DragGeometry& geometry);
  // Zooms by `factor` (above 1 widens the view) about the point (x, y); returns the new field of view.
  float zoom(float factor, double x, double y, const DragGeometry& geometry);
  // Turns the view as a drag through these angles would (held keys and controllers look with this).
  void turn(float yawDegrees, float pitchDegrees, const DragGeometry& geometry);

  void setZoomLimits(ZoomLimits limits) { zoomLimits_ = limits; }
  ZoomLimits zoomLimits() const { return zoomLimits_; }
  void setInertia(bool enabled);
  bool inertia() const { return inertiaEnabled_; }
  bool isCoasting() const { return inertiaTimer_ != nullptr; }

  // Camera angles from the offsets; k is the yaw divisor (drag units per degree, see yawDivisor). A host's
  // setter counts as a move: it stops inertia and easing and restarts the auto-level delay.
  void setRotationX(float degrees, float k);
  float getRotationX(float k) const { return rotatedirection.x / k; }
  void setRotationY(float degrees);
  float getRotationY() const { return rotatedirection.y / -1.5f; }
  float yawOffset() const { return rotatedirection.x; }    // drag units
  float pitchOffset() const { return rotatedirection.y; }  // drag units, 1.5 per degree
  // Back to straight ahead (resetView) and the accumulated drags (navigation mode changes).
  void clearOffsets() { rotatedirection.x = rotatedirection.y = 0; }
  void clearAccumulatedDrag() { rotateY = rotateZ = 0; }

  // --- Auto-level
  void setAutoLevel(bool enabled, float afterSeconds) {
    bAutolevel = enabled;
    fAutolevel = afterSeconds;
  }
  // Starts the easing when auto-level is on and its delay has passed since the last move, once per pause.
  void autoLevelIfDue();
  void moveBack();
  void moveStep();
  float ease() const;
  bool isEasing() const { return movetimer != nullptr; }
  // Stops the easing and the inertia timers (the view halts).
  void stopEasing();

 private:
  // Adds a turn in degrees (yaw positive to the right of a drag, pitch positive downwards) to the offsets;
  // the pitch stays within 90 degrees of the horizon.
  void addTurn(double yawDegrees, double pitchDegrees, const DragGeometry& geometry);
  // Every move (drag, setter, coast) restarts the auto-level delay and ends a running easing.
  void noteMove();
  void stopInertia();
  void coastStep();

  Vec4fRec rotatedirection{};      // touch yaw (x) and pitch (y) offsets, drag units
  float rotateY = 0, rotateZ = 0;  // accumulated vertical / horizontal drag
  bool dragging = false;
  double dragStartPosition[2] = {0, 0};  // last touch position, points
  float rotateZdelta = 0, rotateYdelta = 0;
  double touchStartTime = 0, touchEndTime = 0;  // media times, seconds; touchEndTime: the last move
  Vec4fRec delta_trans{}, trans{};

  std::shared_ptr<Timer> movetimer;          // auto-level easing timer
  float start = 0, delta = 0, step = 30.0f;  // easing state
  bool bAutolevel = true;
  float fAutolevel = 2.5f;  // seconds
  bool levelled_ = false;   // the easing has run since the last move

  // Pinch
  bool pinching_ = false;
  double pinchDistance_ = 0;  // points, at the last pinch event
  ZoomLimits zoomLimits_;

  // Inertia: the drag's velocity when let go decays exponentially; positions are a function of the time
  // since release, so the coast does not depend on how often the timer fires.
  bool inertiaEnabled_ = true;
  double velocity_[2] = {0, 0};  // degrees per second (yaw, pitch), smoothed over the last moves
  double lastMoveTime_ = 0;      // seconds
  std::shared_ptr<Timer> inertiaTimer_;
  double coastStart_ = 0;              // seconds
  double coastVelocity_[2] = {0, 0};   // degrees per second at release
  double coastTravelled_[2] = {0, 0};  // degrees applied so far
  DragGeometry coastGeometry_;
};

}  // namespace qv
QV_EXPORT_END
