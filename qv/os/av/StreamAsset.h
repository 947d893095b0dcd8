// The player's asset: a URL (local path, file:// or http(s)://) whose keys ("playable", "tracks",
// "duration") are loaded asynchronously. Loading probes the media once on a worker thread; completions run
// on that worker thread. Owned by whoever made it (the video asset, then its player item); any thread may
// ask for the status of a key.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "qv/os/av/MediaTime.h"
#include "qv/os/av/MediaType.h"
#include "qv/os/av/SphericalSideData.h"

namespace qv {

class StreamAsset : public std::enable_shared_from_this<StreamAsset> {
 public:
  // Load status of a key, with the platform's values.
  enum KeyValueStatus : int32_t { Unknown = 0, Loading = 1, Loaded = 2, Failed = 3 };

  struct Track {
    int32_t trackID = 0;  // the stream's index + 1
    MediaType mediaType = MediaType::Other;
  };

  static std::shared_ptr<StreamAsset> create(std::string url);

  const std::string& url() const { return url_; }
  // What FFmpeg is asked to open for the URL: the decoded path of a file URL, otherwise the URL itself.
  static std::string inputNameForURL(const std::string& url);

  // Loads `keys` (all of them come from one probe of the media) and then calls `completion` on the
  // worker thread. The worker keeps the asset alive until the completion has returned.
  void loadValuesAsynchronously(std::vector<std::string> keys, std::function<void()> completion);
  KeyValueStatus statusOfValueForKey(std::string_view key) const;
  // The reason of a failed load, empty otherwise.
  std::string loadError() const;

  // Decodable tracks; empty until loaded.
  std::vector<Track> tracks() const;
  // Indefinite until loaded or when the media does not say.
  MediaTime duration() const;
  // What the first video track's metadata says about its panorama; nothing until loaded.
  StreamPanorama panorama() const;
  // "<StreamAsset url>", for log lines.
  std::string description() const;

 private:
  explicit StreamAsset(std::string url) : url_(std::move(url)) {}
  void probe();

  const std::string url_;
  mutable std::mutex lock_;
  KeyValueStatus status_ = Unknown;               // guarded by lock_
  std::string error_;                             // guarded by lock_
  std::vector<Track> tracks_;                     // guarded by lock_
  MediaTime duration_ = MediaTime::indefinite();  // guarded by lock_
  StreamPanorama panorama_;                       // guarded by lock_
  std::mutex probeLock_;                          // one probe at a time; later loads reuse its result
};

}  // namespace qv
