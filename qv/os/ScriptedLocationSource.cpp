#include "qv/os/ScriptedLocationSource.h"

#include <cmath>

namespace qv {

ScriptedLocationSource::ScriptedLocationSource(std::shared_ptr<MotionTrace> trace)
    : trace_(std::move(trace)) {}

void ScriptedLocationSource::startUpdatingHeading() {
  if (!trace_->hasHeading()) return;
  trace_->beginReplay();
  running_ = true;
}

std::optional<double> ScriptedLocationSource::magneticHeading() const {
  if (!running_) return std::nullopt;
  std::optional<double> t = trace_->replayTime();
  std::optional<MotionTraceSample> s = t ? trace_->sampleAt(*t) : std::nullopt;
  if (!s) return std::nullopt;
  double heading = std::fmod(s->heading, 360.0);
  if (heading < 0) heading += 360.0;
  return heading >= 360.0 ? 0.0 : heading;  // -1e-15 + 360 rounds to 360
}

}  // namespace qv
