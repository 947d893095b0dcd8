// A rational media time: value / timescale seconds, with validity and infinity flags, passed by value.
// Plain and self-contained so that audio and video code can share it; a time range is a start and a duration.
#pragma once

#include <cstdint>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

struct MediaTime {
  enum Flags : uint32_t {
    Valid = 1,
    HasBeenRounded = 2,
    PositiveInfinity = 4,
    NegativeInfinity = 8,
    Indefinite = 16,
  };

  int64_t value = 0;
  int32_t timescale = 0;
  uint32_t flags = 0;
  int64_t epoch = 0;

  // CMTimeMake-style constructor: a valid time of value / timescale seconds.
  static constexpr MediaTime make(int64_t value, int32_t timescale) { return {value, timescale, Valid, 0}; }
  static constexpr MediaTime zero() { return make(0, 1); }
  static constexpr MediaTime invalid() { return {}; }
  static constexpr MediaTime positiveInfinity() { return {0, 0, Valid | PositiveInfinity, 0}; }
  static constexpr MediaTime indefinite() { return {0, 0, Valid | Indefinite, 0}; }

  constexpr bool isValid() const { return (flags & Valid) != 0; }
  // A finite time: valid, not infinite or indefinite, and with a usable timescale.
  constexpr bool isNumeric() const {
    return isValid() && (flags & (PositiveInfinity | NegativeInfinity | Indefinite)) == 0 && timescale > 0;
  }
  constexpr double seconds() const { return isNumeric() ? double(value) / double(timescale) : 0.0; }
};

struct MediaTimeRange {
  MediaTime start;
  MediaTime duration;
};

}  // namespace qv
QV_EXPORT_END
