#include "apps/qvview/VideoPlayback.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "qv/core/QVObjectFactory.h"
#include "qv/media/QVVideoStreamAsset.h"
#include "qv/os/RunLoop.h"
#include "qv/os/av/PlaybackEngine.h"
#include "qv/os/av/Player.h"
#include "qv/os/av/PlayerItem.h"
#include "qv/os/av/PlayerItemVideoOutput.h"

using namespace qv;

namespace {

constexpr int32_t kReady = 1, kPlaying = 2, kPaused = 3, kFinished = 5;

MediaTime mediaTime(double seconds) {
  return MediaTime::make(int64_t(std::llround(seconds * 90000)), 90000);
}

}  // namespace

bool VideoPlayback::isVideo(const Options& options) {
  if (!options.file) return false;
  std::string name = *options.file;
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  if (name.find("://") != std::string::npos) return true;
  for (const char* picture : {".jpg", ".jpeg", ".png"}) {
    size_t n = std::char_traits<char>::length(picture);
    if (name.size() >= n && name.compare(name.size() - n, n, picture) == 0) return false;
  }
  return true;
}

std::shared_ptr<VideoPlayback> VideoPlayback::start(const std::string& url, QVViewGL& view,
                                                    double startSeconds, bool loop) {
  auto playback = std::make_shared<VideoPlayback>();
  playback->startSeconds_ = startSeconds;
  playback->loop_ = loop;
  playback->asset_ = QVObjectFactory::assetFromUrl(url, playback);
  playback->asset_->setTimeMonitor(playback);
  view.displayAsset(playback->asset_);
  return playback;
}

void VideoPlayback::onStatusMessage(QVAsset*, int32_t code) {
  if (code >= 11) return;  // buffer messages are not states
  status_ = code;
  if (!asset_) return;
  if (code == kReady) {
    if (startSeconds_ > 0) {
      asset_->playWithSeekTo(mediaTime(startSeconds_), false);
    } else {
      asset_->play();
    }
  }
  if (code == kFinished && loop_)
    asset_->setTimeRange(MediaTime::zero(), MediaTime::positiveInfinity(), true);
}

void VideoPlayback::onPlayerTime(QVAsset*, MediaTime time) {
  if (!asset_) return;
  ++framesShown_;
  lastFrameTime_ = time.seconds();
}

double VideoPlayback::position() const {
  return asset_ ? asset_->getPlaybackTime().seconds() : 0.0;
}

double VideoPlayback::duration() const {
  if (!asset_) return 0;
  MediaTime length = asset_->getDuration();
  return length.isNumeric() ? length.seconds() : 0.0;
}

double VideoPlayback::frameDuration() const {
  auto player = asset_ ? asset_->currentPlayer() : nullptr;
  auto item = player ? player->currentItem() : nullptr;
  return item && item->engine() ? item->engine()->frameDuration() : 0.0;
}

void VideoPlayback::togglePause() {
  if (!asset_) return;
  if (ended()) {
    asset_->setTimeRange(MediaTime::zero(), MediaTime::positiveInfinity(), true);
  } else {
    asset_->pause();  // a toggle
  }
}

void VideoPlayback::seekTo(double seconds) {
  if (!asset_) return;
  // The end itself has no frame; the last one covers the time just before it.
  const double length = duration();
  const double last = length > 0 ? length - std::max(frameDuration(), 0.001) / 2 : seconds;
  asset_->setTimeRange(mediaTime(std::clamp(seconds, 0.0, std::max(last, 0.0))),
                       MediaTime::positiveInfinity(), false);
}

void VideoPlayback::setVolume(float volume) {
  volume_ = std::clamp(volume, 0.0f, 1.0f);
  if (asset_) asset_->setVolume(muted_ ? 0.0f : volume_);
}

void VideoPlayback::setMuted(bool muted) {
  muted_ = muted;
  setVolume(volume_);
}

bool VideoPlayback::showFrameAt(double seconds) {
  if (!asset_) return false;
  // Paused, the clock stands on the seek's time: the frame handed over at that time is the one covering it.
  // A seek from the clip's end resumes playing instead of pausing; then it is paused and sought again.
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (asset_->getStatus() == kPlaying) asset_->pause();
    const uint64_t before = framesShown_;
    asset_->setTimeRange(mediaTime(seconds), MediaTime::positiveInfinity(), false);
    for (int i = 0; i < 2000; ++i) {
      RunLoop::main().runFor(0.005);
      if (failed()) return false;
      const int32_t now = asset_->getStatus();
      if (now == kPlaying) break;
      if (now == kPaused && framesShown_ > before && std::abs(lastFrameTime_ - seconds) < 1e-3) return true;
    }
  }
  return false;
}

void VideoPlayback::stopAndWait() {
  if (!asset_) return;
  asset_->stop();
  for (int i = 0; i < 200 && status_.load() != 4 && !failed(); ++i) RunLoop::main().runFor(0.01);
}
