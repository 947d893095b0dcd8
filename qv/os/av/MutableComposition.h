// An asset assembled from tracks of other assets: add empty tracks of a media type, then insert a source
// track's time range into each. Every track starts at time zero, so the tracks play in parallel.
#pragma once

#include <memory>

#include "qv/os/av/Asset.h"
#include "qv/os/av/MutableCompositionTrack.h"

namespace qv {

class MutableComposition : public Asset {
 public:
  static std::shared_ptr<MutableComposition> composition();

  // A new empty track; a preferred id of 0 lets the composition pick the next free id.
  std::shared_ptr<MutableCompositionTrack> addMutableTrack(MediaType type, int32_t preferredTrackID);
};

}  // namespace qv
