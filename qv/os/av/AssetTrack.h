// One track of an asset: its media type, id, time range and, for audio, the description of its stream.
// A track knows where its samples live (a file and a stream index in it); a composition track that nothing
// was inserted into has no source and no samples. Tracks are immutable once their asset is built, apart
// from the single insertion a composition track accepts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "qv/os/av/AudioStreamDescription.h"
#include "qv/os/av/MediaTime.h"
#include "qv/os/av/MediaType.h"

namespace qv {

class AssetTrack {
 public:
  AssetTrack(MediaType mediaType, int32_t trackID) : mediaType_(mediaType), trackID_(trackID) {}
  virtual ~AssetTrack() = default;

  MediaType mediaType() const { return mediaType_; }
  int32_t trackID() const { return trackID_; }
  // Start and duration of the track on the asset's timeline; the duration is indefinite when unknown.
  MediaTimeRange timeRange() const { return timeRange_; }
  // The stream descriptions of an audio track (one per format in use, usually one); empty when the format
  // has no such description or the track is not audio.
  const std::vector<AudioStreamDescription>& audioStreamDescriptions() const { return descriptions_; }

  bool hasSource() const { return !sourcePath_.empty(); }
  const std::string& sourcePath() const { return sourcePath_; }
  int sourceStream() const { return sourceStream_; }

 protected:
  friend class Asset;
  MediaType mediaType_;
  int32_t trackID_;
  MediaTimeRange timeRange_{MediaTime::zero(), MediaTime::zero()};
  std::vector<AudioStreamDescription> descriptions_;
  std::string sourcePath_;
  int sourceStream_ = -1;
};

}  // namespace qv
