// The platform's rational media time: value / timescale seconds, with flags and an epoch, passed by value.
// A time range is a start and a duration.
#pragma once

#include <cstdint>

struct MediaTime {
  int64_t value = 0;
  int32_t timescale = 0;
  uint32_t flags = 0;
  int64_t epoch = 0;

  static constexpr uint32_t kValid = 1;
  static constexpr uint32_t kPositiveInfinity = 4;

  static constexpr MediaTime make(int64_t value, int32_t timescale) {
    return MediaTime{value, timescale, timescale != 0 ? kValid : 0u, 0};
  }
  static constexpr MediaTime zero() { return MediaTime{0, 1, kValid, 0}; }
  static constexpr MediaTime positiveInfinity() { return MediaTime{0, 0, kValid | kPositiveInfinity, 0}; }

  bool isValid() const { return flags & kValid; }
  bool isPositiveInfinity() const { return isValid() && (flags & kPositiveInfinity); }
  // Seconds; 0 for an invalid time or a zero timescale, +infinity for positive infinity.
  double seconds() const {
    if (isPositiveInfinity()) return __builtin_inf();
    return timescale != 0 && isValid() ? double(value) / double(timescale) : 0.0;
  }
};

struct MediaTimeRange {
  MediaTime start;
  MediaTime duration;
};
