#include "apps/qvview/SdlControllerMotion.h"

#include <algorithm>
#include <cmath>

#include "qv/os/QVLog.h"
#include "qv/os/RunLoop.h"

using namespace qv;

namespace {

constexpr double kMaxStep = 0.1;  // seconds; longer gaps (a stalled frame) are not integrated blindly

// Upright in portrait: the device's y axis points up.
AttitudeQuaternion upright() {
  return AttitudeQuaternion::fromAxisAngle(1, 0, 0, M_PI / 2);
}

}  // namespace

std::shared_ptr<SdlControllerMotion> SdlControllerMotion::open() {
  const Uint32 systems = SDL_INIT_GAMECONTROLLER | SDL_INIT_SENSOR;
  if (SDL_WasInit(systems) != systems && SDL_InitSubSystem(systems) != 0) {
    QVLog("motion: no game controller support: %s", SDL_GetError());
    return nullptr;
  }
  for (int i = 0; i < SDL_NumJoysticks(); ++i) {
    if (!SDL_IsGameController(i)) continue;
    SDL_GameController* controller = SDL_GameControllerOpen(i);
    if (!controller) continue;
    if (SDL_GameControllerHasSensor(controller, SDL_SENSOR_GYRO) &&
        SDL_GameControllerSetSensorEnabled(controller, SDL_SENSOR_GYRO, SDL_TRUE) == 0) {
      bool accel = SDL_GameControllerHasSensor(controller, SDL_SENSOR_ACCEL) &&
                   SDL_GameControllerSetSensorEnabled(controller, SDL_SENSOR_ACCEL, SDL_TRUE) == 0;
      QVLog("motion: game controller \"%s\" gyroscope", SDL_GameControllerName(controller));
      return std::shared_ptr<SdlControllerMotion>(new SdlControllerMotion(controller, accel));
    }
    SDL_GameControllerClose(controller);
  }
  return nullptr;
}

SdlControllerMotion::SdlControllerMotion(SDL_GameController* controller, bool hasAccelerometer)
    : controller_(controller), hasAccelerometer_(hasAccelerometer), attitude_(upright()) {}

SdlControllerMotion::~SdlControllerMotion() {
  SDL_GameControllerClose(controller_);
}

bool SdlControllerMotion::attached() const {
  return SDL_GameControllerGetAttached(controller_) == SDL_TRUE;
}

bool SdlControllerMotion::isDeviceMotionAvailable() const {
  return attached();
}

void SdlControllerMotion::startDeviceMotionUpdates() {
  integrate();
  // Keep the tilt, make the current heading the yaw zero: R = Rz(yaw) * ..., so undo Rz(yaw) on the left.
  double yaw = attitude_.toAttitude().yaw;
  attitude_ = (AttitudeQuaternion::fromAxisAngle(0, 0, 1, -yaw) * attitude_).normalized();
  deviceMotionRunning_ = true;
}

void SdlControllerMotion::integrate() const {
  double now = RunLoop::main().now();
  if (now == lastPoll_) return;
  double dt = lastPoll_ < 0 ? 0 : std::clamp(now - lastPoll_, 0.0, kMaxStep);
  lastPoll_ = now;
  if (!attached()) return;
  SDL_GameControllerUpdate();
  float rate[3] = {0, 0, 0};  // rad/s about the device's x, y, z
  if (SDL_GameControllerGetSensorData(controller_, SDL_SENSOR_GYRO, rate, 3) != 0) return;
  double speed = std::sqrt(double(rate[0]) * rate[0] + double(rate[1]) * rate[1] + double(rate[2]) * rate[2]);
  if (!(speed > 0) || dt == 0) return;
  // Body rates turn the device about its own axes: post-multiply.
  attitude_ = (attitude_ * AttitudeQuaternion::fromAxisAngle(rate[0] / speed, rate[1] / speed,
                                                             rate[2] / speed, speed * dt))
                  .normalized();
}

std::optional<DeviceMotion> SdlControllerMotion::deviceMotion() const {
  if (!deviceMotionRunning_ || !attached()) return std::nullopt;
  integrate();
  DeviceMotion motion;
  motion.attitude = attitude_.toAttitude();
  motion.timestamp = lastPoll_;
  return motion;
}

std::optional<AccelerometerData> SdlControllerMotion::accelerometerData() const {
  if (!accelerometerRunning_ || !attached()) return std::nullopt;
  float a[3];  // m/s^2, pointing away from the earth at rest
  if (SDL_GameControllerGetSensorData(controller_, SDL_SENSOR_ACCEL, a, 3) != 0) return std::nullopt;
  return AccelerometerData{-a[0] / SDL_STANDARD_GRAVITY, -a[1] / SDL_STANDARD_GRAVITY,
                           -a[2] / SDL_STANDARD_GRAVITY, RunLoop::main().now()};
}
