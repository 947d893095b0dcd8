// The compass service replaying the heading column of a recorded trace; it shares the trace (and so its
// replay clock) with the ScriptedMotionSource of the same recording. Any thread may call.
#pragma once

#include <atomic>
#include <memory>

#include "qv/os/LocationManager.h"
#include "qv/os/MotionTrace.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class ScriptedLocationSource : public LocationManager {
 public:
  explicit ScriptedLocationSource(std::shared_ptr<MotionTrace> trace);

  bool isHeadingAvailable() const override { return trace_->hasHeading(); }
  void startUpdatingHeading() override;
  void stopUpdatingHeading() override { running_ = false; }
  // Degrees in [0, 360).
  std::optional<double> magneticHeading() const override;

 private:
  const std::shared_ptr<MotionTrace> trace_;
  std::atomic<bool> running_{false};
};

}  // namespace qv
QV_EXPORT_END
