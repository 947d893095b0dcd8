// Filters for streams of three-axis acceleration samples (in g, timestamps in seconds). The base class
// passes samples through; LowpassFilter and HighpassFilter smooth or detrend them with a factor taken from
// the time between samples, optionally adapting to large changes. The view owns its filters and feeds them
// once per frame on the main thread; a filter is not shared between threads.
#pragma once

#include <string>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

// One acceleration sample, in g.
struct Acceleration {
  double x = 0.0, y = 0.0, z = 0.0;
};

// sqrt(x*x + y*y + z*z).
double Norm(double x, double y, double z);
// max when v > max, otherwise the greater of min and v.
double Clamp(double v, double min, double max);

class AccelerometerFilter {
 public:
  AccelerometerFilter() = default;
  virtual ~AccelerometerFilter() = default;

  // The base filter's output is the sample itself.
  virtual void addAcceleration(const Acceleration& acceleration, double timestamp);
  virtual std::string name() const;

  // RC = 1 / cutoff (Hz).
  void setCutoffFrequency(double frequency);

  double x() const { return x_; }
  double y() const { return y_; }
  double z() const { return z_; }
  double lastTimestamp() const { return lastTimestamp_; }
  bool isAdaptive() const { return adaptive_; }
  void setAdaptive(bool adaptive) { adaptive_ = adaptive; }

 protected:
  // A smoothing filter: RC from the cutoff (Hz); its first sample only starts the clock.
  explicit AccelerometerFilter(double cutoffFrequency) : lastTimestamp_(-1.0), RC_(1.0 / cutoffFrequency) {}
  // True for the first sample, whose timestamp it records: it starts the clock and is not filtered.
  bool startsClock(double timestamp);

  // Below this change (in g) the adaptive mode counts a step as noise.
  static constexpr double kMinStep = 0.02;
  static constexpr double kNoiseAttenuation = 3.0;

  // The smoothing factor for a sample at timestamp after lastTimestamp_, before any adaptive weighting.
  double alphaFor(double timestamp) const;
  // How far a change in magnitude from the current output to the sample exceeds noise: 0 (noise) .. 1.
  double changeWeight(const Acceleration& acceleration) const;

  bool adaptive_ = false;
  double x_ = 0.0, y_ = 0.0, z_ = 0.0;  // the output
  double lastTimestamp_ = 0.0;          // seconds; -1 until a filter's first sample
  double RC_ = 0.0;                     // seconds, 1 / cutoff
};

}  // namespace qv
QV_EXPORT_END
