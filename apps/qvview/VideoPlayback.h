// qvview's video: a file or URL played into the view. It is the asset's observer: it starts playing as
// soon as the asset is ready (at the start time asked for) and remembers a failure or the end. As the
// asset's time monitor it learns when a frame has reached the view (the asset reports the time after
// handing the frame over). Main thread only, apart from the status, which the asset may report early.
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
  // Starts loading `url` and shows it in `view` once it plays, from `startSeconds`. At its end it starts
  // again when `loop`, or stays on its last frame.
  static std::shared_ptr<VideoPlayback> start(const std::string& url, QVViewGL& view, double startSeconds,
                                              bool loop);

  // Stops playing and waits (pumping the main run loop, up to 2 s) until the capture thread has ended.
  void stopAndWait();

  // Window controls. Seeks land exactly on the time asked for, clamped to the clip, and keep the
  // playing or paused state; at the end, play starts again from the beginning.
  void togglePause();
  void seekTo(double seconds);
  void seekBy(double seconds) { seekTo(position() + seconds); }
  // 0 silent .. 1 full; muting keeps the volume for unmuting.
  void setVolume(float volume);
  float volume() const { return volume_; }
  void setMuted(bool muted);
  bool muted() const { return muted_; }

  // Headless: pauses, seeks exactly to `seconds` and waits (pumping the main run loop, up to 20 s)
  // until the decoded frame for that time is in the view. False when the clip failed or gave none.
  bool showFrameAt(double seconds);

  double position() const;       // seconds
  double duration() const;       // seconds; 0 while unknown
  double frameDuration() const;  // seconds between the clip's frames; 0 while unknown
  bool paused() const { return status_.load() == 3; }
  bool ended() const { return status_.load() == 5; }

  void onStatusMessage(QVAsset* asset, int32_t code) override;
  void onPlayerTime(QVAsset* asset, MediaTime time) override;
  // True once a decoded frame has been handed to the view (main thread).
  bool showsFrame() const { return framesShown_ > 0; }
  // Frames handed to the view so far (main thread): a new one is a reason to draw.
  uint64_t framesShown() const { return framesShown_; }
  int32_t status() const { return status_.load(); }
  bool failed() const { return status_.load() == 9; }
  const std::shared_ptr<QVVideoStreamAsset>& asset() const { return asset_; }

 private:
  std::shared_ptr<QVVideoStreamAsset> asset_;
  std::atomic<int32_t> status_{0};
  double startSeconds_ = 0;
  bool loop_ = false;
  // main thread only
  uint64_t framesShown_ = 0;
  double lastFrameTime_ = -1;  // the item's time reported with the last frame handed over, seconds
  float volume_ = 1;
  bool muted_ = false;
};
