// A recorded motion trace: samples of attitude, acceleration and compass heading against time, read from CSV.
// The header row names the columns; `time` (seconds) comes first, then any of the groups
//   pitch,yaw,roll  attitude, radians (all three or none)
//   ax,ay,az        accelerometer, g (all three or none)
//   uax,uay,uaz     user acceleration, g (needs the attitude group)
//   heading         magnetic heading, degrees
// Blank lines and lines starting with '#' are skipped; times never decrease. A trace is immutable apart
// from its replay clock, which starts the first time a source begins updates from it and then runs on with
// RunLoop::main().now(), as a real device keeps moving whether or not anyone listens. Thread-safe.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

struct MotionTraceSample {
  double time = 0;                      // seconds from the start of replay
  double pitch = 0, yaw = 0, roll = 0;  // radians
  double ax = 0, ay = 0, az = 0;        // g
  double uax = 0, uay = 0, uaz = 0;     // g
  double heading = 0;                   // degrees
};

class MotionTrace {
 public:
  // Largest trace file read (hours of samples at a device's rates).
  static constexpr uint64_t kMaxFileBytes = uint64_t(64) << 20;

  // nullptr and one log line naming the file and line on bad input; only a regular file is read.
  static std::shared_ptr<MotionTrace> load(const std::string& path);
  // `name` only labels log lines.
  static std::shared_ptr<MotionTrace> parse(std::string_view text, const std::string& name);

  bool hasAttitude() const { return hasAttitude_; }
  bool hasAcceleration() const { return hasAcceleration_; }
  bool hasHeading() const { return hasHeading_; }
  const std::vector<MotionTraceSample>& samples() const { return samples_; }

  // The state at trace time `t`: linear interpolation between neighbouring rows (angles along the shorter
  // arc), the last row held after the end; nullopt before the first row.
  std::optional<MotionTraceSample> sampleAt(double t) const;

  // Starts the replay clock if it is not running yet.
  void beginReplay();
  // Seconds since the replay started; nullopt before.
  std::optional<double> replayTime() const;

 private:
  MotionTrace() = default;

  std::vector<MotionTraceSample> samples_;
  bool hasAttitude_ = false, hasAcceleration_ = false, hasHeading_ = false;

  mutable std::mutex lock_;
  std::optional<double> replayStart_;  // run-loop seconds; guarded by lock_
};

}  // namespace qv
QV_EXPORT_END
