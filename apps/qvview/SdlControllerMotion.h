// A game controller's gyroscope (and accelerometer, where it has one) as qvview's motion source, through
// SDL2's sensor API. The controller held in both hands in front of the user stands for a phone held upright
// in portrait: its axes (x right, y up, z toward the user) are the phone's. Attitude is the integral of the
// gyro rates, polled once per run-loop time; with no absolute reference it drifts slowly, and each start of
// device-motion updates makes the current yaw zero. Main thread only (SDL's controller calls).
#pragma once

#include <SDL.h>

#include <memory>

#include "qv/os/AttitudeQuaternion.h"
#include "qv/os/MotionManager.h"

using namespace qv;

class SdlControllerMotion : public MotionManager {
 public:
  // The first connected controller that reports a gyroscope; nullptr when there is none.
  // Initialises SDL's controller and sensor subsystems if the program has not.
  static std::shared_ptr<SdlControllerMotion> open();
  ~SdlControllerMotion() override;

  bool isDeviceMotionAvailable() const override;
  void startDeviceMotionUpdates() override;
  void stopDeviceMotionUpdates() override { deviceMotionRunning_ = false; }
  void startAccelerometerUpdates() override { accelerometerRunning_ = hasAccelerometer_; }
  void stopAccelerometerUpdates() override { accelerometerRunning_ = false; }
  std::optional<DeviceMotion> deviceMotion() const override;
  std::optional<AccelerometerData> accelerometerData() const override;

 private:
  SdlControllerMotion(SDL_GameController* controller, bool hasAccelerometer);
  bool attached() const;
  void integrate() const;

  SDL_GameController* controller_;
  const bool hasAccelerometer_;
  bool deviceMotionRunning_ = false;
  bool accelerometerRunning_ = false;
  mutable AttitudeQuaternion attitude_;  // device to reference frame
  mutable double lastPoll_ = -1;         // run-loop seconds of the last integration step
};
