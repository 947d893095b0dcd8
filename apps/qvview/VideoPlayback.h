// qvview's video: a file or URL played into the view. It is the asset's observer: it starts playing as
// soon as the asset is ready and remembers a failure. As the asset's time monitor it learns when the first
// frame has reached the view (the asset reports the time after handing the frame over).
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "apps/qvview/Options.h"
#include "qv/media/QVAssetObserver.h"
#include "qv/media/QVAssetTimeMonitor.h"

namespace qv {
class QVViewGL;
class QVVideoStreamAsset;
}  // namespace qv
using namespace qv;

class VideoPlayback : public QVAssetObserver,
                      public QVAssetTimeMonitor,
                      public std::enable_shared_from_this<VideoPlayback> {
 public:
  // A file that is not a JPEG or PNG picture (or any URL) is played as a video.
  static bool isVideo(const Options& options);
  // Starts loading `url` and shows it in `view` once it plays.
  static std::shared_ptr<VideoPlayback> start(const std::string& url, QVViewGL& view);

  // Stops playing and waits (pumping the main run loop, up to 2 s) until the capture thread has ended.
  void stopAndWait();

  void onStatusMessage(QVAsset* asset, int32_t code) override;
  void onPlayerTime(QVAsset* asset, MediaTime time) override;
  // True once a decoded frame has been handed to the view (main thread).
  bool showsFrame() const { return showsFrame_; }
  int32_t status() const { return status_.load(); }
  bool failed() const { return status_.load() == 9; }
  const std::shared_ptr<QVVideoStreamAsset>& asset() const { return asset_; }

 private:
  std::shared_ptr<QVVideoStreamAsset> asset_;
  std::atomic<int32_t> status_{0};
  bool showsFrame_ = false;  // main thread only
};
