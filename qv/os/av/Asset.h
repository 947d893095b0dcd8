// A media asset: the tracks of one local file (made from a file URL), or a composition built from the tracks
// of other assets (MutableComposition). An asset whose file cannot be opened or parsed still exists, with no
// tracks and with the reason in loadError(), so that a reader made on it can report why it reads nothing.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "qv/os/URL.h"
#include "qv/os/av/AVError.h"
#include "qv/os/av/AssetTrack.h"

namespace qv {

class Asset {
 public:
  // Opens the file the URL names and lists its streams; only file URLs are readable.
  static std::shared_ptr<Asset> URLAsset(const URL& url);
  virtual ~Asset() = default;

  const std::vector<std::shared_ptr<AssetTrack>>& tracks() const { return tracks_; }
  std::vector<std::shared_ptr<AssetTrack>> tracksWithMediaType(MediaType type) const;
  const std::optional<AVError>& loadError() const { return loadError_; }

 protected:
  Asset() = default;
  std::vector<std::shared_ptr<AssetTrack>> tracks_;
  std::optional<AVError> loadError_;
};

}  // namespace qv
