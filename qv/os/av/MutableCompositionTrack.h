// A track of a MutableComposition. It takes one time range of a source track, inserted at time zero; the
// readers then read that source track's samples.
#pragma once

#include "qv/os/av/AVError.h"
#include "qv/os/av/AssetTrack.h"

namespace qv {

class MutableCompositionTrack : public AssetTrack {
 public:
  using AssetTrack::AssetTrack;

  // Inserts `range` of `source` at `at`. Fails (false, *error filled when given) when the source has no
  // samples or another media type, when the range is not a finite range from zero within the source, when
  // `at` is not zero, or when this track already holds a range.
  bool insertTimeRange(MediaTimeRange range, const AssetTrack& source, MediaTime at, AVError* error);
};

}  // namespace qv
