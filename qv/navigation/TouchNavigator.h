// Touch navigation: drags turn the yaw and pitch offsets (rotatedirection, in drag units), a touch that does
// not move is a tap, and after a pause the auto-level easing brings the pitch back to the horizon. Owned by
// the view; main thread only. The easing runs on a timer of the main run loop, which the navigator stops
// when it goes.
#pragma once

#include <memory>

#include "qv/core/Rotation.h"

class Timer;

class TouchNavigator {
 public:
  TouchNavigator() = default;
  ~TouchNavigator();
  TouchNavigator(const TouchNavigator&) = delete;
  TouchNavigator& operator=(const TouchNavigator&) = delete;

  // A touch at (x, y) points. `flipYaw`: dragging right turns the yaw offset down (motion navigation in
  // interface orientation 4). touchesEnded returns true when the touch never moved (a tap).
  void touchesBegan(double x, double y);
  void touchesMoved(double x, double y, bool flipYaw);
  bool touchesEnded(double x, double y);
  void touchesCancelled();

  // Camera angles from the offsets; k is the yaw divisor (drag units per degree, see yawDivisor).
  void setRotationX(float degrees, float k) { rotatedirection.x = k * degrees; }
  float getRotationX(float k) const { return rotatedirection.x / k; }
  void setRotationY(float degrees) { rotatedirection.y = degrees * -1.5f; }
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
  // Starts the easing when auto-level is on and its delay has passed since the last touch.
  void autoLevelIfDue();
  void moveBack();
  void moveStep();
  float ease() const;
  bool isEasing() const { return movetimer != nullptr; }
  // Stops the easing timer (the view halts).
  void stopEasing();

 private:
  Vec4fRec rotatedirection{};      // touch yaw (x) and pitch (y) offsets, drag units
  float rotateY = 0, rotateZ = 0;  // accumulated vertical / horizontal drag
  bool dragging = false;
  double dragStartPosition[2] = {0, 0};  // last touch position, points
  float rotateZdelta = 0, rotateYdelta = 0;
  double touchStartTime = 0, touchEndTime = 0;  // media times, seconds
  Vec4fRec delta_trans{}, trans{};

  std::shared_ptr<Timer> movetimer;          // auto-level easing timer
  float start = 0, delta = 0, step = 30.0f;  // easing state
  bool bAutolevel = true;
  float fAutolevel = 2.5f;  // seconds
};
