// The video stream asset. Threads that come here: the main thread (control operations, the queued
// "tracks" request and start seek, observer and monitor deliveries), the loading worker (tracks loaded),
// the item's engine thread (key changes, end of item, seek completions) and the capture thread.
#include "qv/media/QVVideoStreamAsset.h"

#include <chrono>
#include <optional>
#include <utility>

#include "qv/media/QVAssetListener.h"
#include "qv/media/QVAssetObserver.h"
#include "qv/media/QVAssetTimeMonitor.h"
#include "qv/os/QVLog.h"
#include "qv/os/RunLoop.h"
#include "qv/os/ThreadName.h"
#include "qv/os/av/Player.h"
#include "qv/os/av/PlayerItem.h"
#include "qv/os/av/PlayerItemVideoOutput.h"
#include "qv/os/av/StreamAsset.h"
#include "qv/os/av/ThreadReaper.h"

namespace qv {

namespace {

constexpr int32_t kReady = 1, kPlaying = 2, kPaused = 3, kStopped = 4, kFinished = 5, kFailed = 9,
                  kLoading = 10, kBufferEmpty = 11, kBufferFull = 12, kLikelyToKeepUp = 13;
constexpr int32_t kNoReport = 0;  // a capture thread that ends without a status of its own

void sleepOnePeriod() {
  std::this_thread::sleep_for(std::chrono::duration<double>(QVVideoStreamAsset::kCapturePeriod));
}

// Joins a finished capture thread; when it is the calling thread (teardown on it), the reaper joins it
// once it has returned.
void retire(std::thread thread) {
  if (!thread.joinable()) return;
  if (thread.get_id() == std::this_thread::get_id()) {
    ThreadReaper::adopt(std::move(thread));
  } else {
    thread.join();
  }
}

}  // namespace

std::shared_ptr<QVVideoStreamAsset> QVVideoStreamAsset::alloc() {
  return std::shared_ptr<QVVideoStreamAsset>(new QVVideoStreamAsset());
}

QVVideoStreamAsset::~QVVideoStreamAsset() {
  bCapture = false;
  std::thread thread;
  std::shared_ptr<PlayerItem> item;
  std::shared_ptr<PlayerItemVideoOutput> videoOutput;
  {
    std::lock_guard<std::mutex> guard(guard_);
    thread = std::move(capturethread);
    item = playerItem;
    videoOutput = output;
  }
  // The capture thread holds the asset only weakly between steps, so it ends within one period.
  retire(std::move(thread));
  if (item) {
    item->removeObserver(endObservation_);
    item->removeObserver(itemObservation_);
    item->removeOutput(videoOutput);
  }
  QVLogAt(QVLogLevel::Debug, "Cleaning up QVAsset");
}

bool QVVideoStreamAsset::initWithUrl(const std::string& text) {
  url = text;
  bCapture = true;
  {
    std::lock_guard<std::mutex> guard(guard_);
    startSeekTo = MediaTime::make(0, 0);
    startSeekToExact = true;
  }
  auto asset = StreamAsset::create(url);
  onStatusMessage(kLoading);
  {
    std::lock_guard<std::mutex> guard(guard_);
    assetss = asset;
  }
  std::weak_ptr<QVVideoStreamAsset> weak = weak_from_this();
  asset->loadValuesAsynchronously({"playable"}, [weak] {
    RunLoop::main().dispatchAsync([weak] {
      if (auto self = weak.lock()) self->loadTracks();
    });
  });
  return true;
}

void QVVideoStreamAsset::loadTracks() {
  std::shared_ptr<StreamAsset> asset;
  {
    std::lock_guard<std::mutex> guard(guard_);
    asset = assetss;
  }
  std::weak_ptr<QVVideoStreamAsset> weak = weak_from_this();
  asset->loadValuesAsynchronously({"tracks"}, [weak] {
    if (auto self = weak.lock()) self->tracksLoaded();
  });
}

void QVVideoStreamAsset::tracksLoaded() {
  std::lock_guard<std::mutex> guard(guard_);
  if (assetss->statusOfValueForKey("tracks") != StreamAsset::Loaded) {
    // The fixed text, then the reason.
    QVLog("%s Failed to load the tracks. %s", assetss->description().c_str(), assetss->loadError().c_str());
    failureReason_ = "the tracks cannot be loaded: " + assetss->loadError();
    onStatusMessage(kFailed);
    return;
  }
  output = PlayerItemVideoOutput::create(PixelBuffer::kPixelFormatBGRA);
  playerItem = PlayerItem::create(assetss);
  std::weak_ptr<QVVideoStreamAsset> weak = weak_from_this();
  itemObservation_ = playerItem->addObserver([weak](std::string_view key) {
    if (auto self = weak.lock()) self->observeValueForKeyPath(key);
  });
  endObservation_ = playerItem->addEndObserver([weak] {
    if (auto self = weak.lock()) self->itemDidFinishPlaying();
  });
  // The item starts loading with the player; its change handler waits for this guard, so it sees the
  // status 1 stored below.
  player = Player::create(playerItem);
  onStatusMessage(kReady);
}

void QVVideoStreamAsset::onStatusMessage(int32_t code) {
  if (code < kBufferEmpty || code > kLikelyToKeepUp) {
    assetStatus = code;
    status = code;
    playRequested_ = false;
  }
  {
    std::lock_guard<std::mutex> guard(refsLock_);
    if (assetObserver.expired()) return;
  }
  // The code is the one posted now, so quick changes arrive one by one and in order.
  std::weak_ptr<QVVideoStreamAsset> weak = weak_from_this();
  RunLoop::main().dispatchAsync([weak, code] {
    auto self = weak.lock();
    if (!self) return;
    std::shared_ptr<QVAssetObserver> observer;
    {
      std::lock_guard<std::mutex> guard(self->refsLock_);
      observer = self->assetObserver.lock();
    }
    if (observer) observer->onStatusMessage(self.get(), code);
  });
}

void QVVideoStreamAsset::onUpdatePlayerTimeMonitor() {
  {
    std::lock_guard<std::mutex> guard(refsLock_);
    if (_monitor.expired()) return;
  }
  std::weak_ptr<QVVideoStreamAsset> weak = weak_from_this();
  RunLoop::main().dispatchAsync([weak] {
    auto self = weak.lock();
    if (!self) return;
    std::shared_ptr<QVAssetTimeMonitor> monitor;
    {
      std::lock_guard<std::mutex> guard(self->refsLock_);
      monitor = self->_monitor.lock();
    }
    if (!monitor) return;
    std::shared_ptr<PlayerItem> item;
    {
      std::lock_guard<std::mutex> guard(self->guard_);
      item = self->playerItem;
    }
    monitor->onPlayerTime(self.get(), item ? item->currentTime() : MediaTime{});
  });
}

void QVVideoStreamAsset::play() {
  if (!bCapture) return;
  std::shared_ptr<Player> current;
  std::optional<std::pair<MediaTime, bool>> seek;
  std::thread finished;
  bool resume = false;
  {
    std::lock_guard<std::mutex> guard(guard_);
    stopped_ = false;  // the host's play is newer than its stop
    current = player;
    if (seeksInFlight_ > 0) {
      // Seeks under way end playing, whatever state they started from.
      preSeekStatus_ = kPlaying;
      preSeekRate_ = 1.0f;
    }
    bool itemReady = current && playerItem->status() == PlayerItem::StatusReadyToPlay;
    if (status == kPaused && itemReady) {
      resume = true;
    } else if (assetStatus == kReady || itemReady) {
      // A ready item carries the request out now: no further notification may come.
      if (startSeekTo.timescale != 0) {
        seek = std::make_pair(startSeekTo, startSeekToExact);
        startSeekTo = MediaTime::make(0, 0);
      }
    } else {
      playRequested_ = true;  // carried out at the item's next ready notification
      return;
    }
    if (!captureRunning_) {
      // Recorded before the thread starts, so a second play cannot start a second thread.
      captureRunning_ = true;
      finished = std::move(capturethread);
      capturethread = std::thread(&QVVideoStreamAsset::startCaptureFrames, weak_from_this());
    }
  }
  retire(std::move(finished));
  if (resume) {
    // Play while paused resumes as the pause toggle does.
    current->play();
    onStatusMessage(kPlaying);
    return;
  }
  if (seek) dispatchStartSeek(seek->first, seek->second);
  current->play();
}

void QVVideoStreamAsset::playWithSeekTo(MediaTime time, bool onKeyFrame) {
  {
    std::lock_guard<std::mutex> guard(guard_);
    startSeekTo = time;
    startSeekToExact = !onKeyFrame;
  }
  play();
}

void QVVideoStreamAsset::dispatchStartSeek(MediaTime time, bool exact) {
  std::weak_ptr<QVVideoStreamAsset> weak = weak_from_this();
  RunLoop::main().dispatchAsync([weak, time, exact] {
    if (auto self = weak.lock()) self->setTimeRange(time, MediaTime::positiveInfinity(), !exact);
  });
}

void QVVideoStreamAsset::pause() {
  if (!bCapture) return;
  std::lock_guard<std::mutex> guard(guard_);
  if (!player || stopped_) return;
  if (seeksInFlight_ > 0) {
    // The status is 10 now; the toggle applies to the state the seeks end in.
    const bool wasPaused = preSeekStatus_ == kPaused;
    preSeekStatus_ = wasPaused ? kPlaying : kPaused;
    preSeekRate_ = wasPaused ? 1.0f : 0.0f;
    return;
  }
  int32_t now = status;
  if (now == kPlaying) {
    player->pause();
    onStatusMessage(kPaused);
  } else if (now == kPaused) {
    player->play();
    onStatusMessage(kPlaying);
  }
}

void QVVideoStreamAsset::stop() {
  if (!bCapture) return;
  std::lock_guard<std::mutex> guard(guard_);
  stopped_ = true;
  playRequested_ = false;
  startSeekTo = MediaTime::make(0, 0);  // a start position belongs to the play that asked for it
  if (player) player->pause();
  if (captureRunning_) {
    bCapture = false;  // the ending capture thread hands it back and reports 4
  } else if (player && status != kStopped) {
    onStatusMessage(kStopped);  // no thread to end: stopped now
  }
}

MediaTimeRange QVVideoStreamAsset::getTimeRange() {
  return {MediaTime::make(0, 0), MediaTime::make(0, 0)};
}

void QVVideoStreamAsset::setTimeRange(MediaTime start, MediaTime, bool onKeyFrame) {
  std::shared_ptr<PlayerItem> item;
  {
    std::lock_guard<std::mutex> guard(guard_);
    if (!player || !playerItem) return;
    item = playerItem;
    // Overlapping seeks restore the status and rate from before the first of them, not the 10 and the
    // stopped clock in between.
    if (seeksInFlight_++ == 0) {
      preSeekStatus_ = assetStatus;
      preSeekRate_ = player->rate();
    }
    // A stopped asset only moves to the position its next play starts from. Otherwise the 10 is stored
    // before the seek is asked for, so a quick completion cannot be overwritten by it.
    if (!stopped_) {
      player->setRate(0.0f);
      onStatusMessage(kLoading);
    }
  }
  std::weak_ptr<QVVideoStreamAsset> weak = weak_from_this();
  MediaTime before = onKeyFrame ? MediaTime::positiveInfinity() : MediaTime::zero();
  item->seekToTime(start, before, MediaTime::positiveInfinity(), [weak](bool finished) {
    if (auto self = weak.lock()) self->seekCompleted(finished);
  });
}

void QVVideoStreamAsset::seekCompleted(bool finished) {
  // Decided under the guard from the state now, not when the seek began: a play, pause or stop in
  // between has the last word.
  std::lock_guard<std::mutex> guard(guard_);
  const bool last = --seeksInFlight_ == 0;
  // A later seek of the series ends it; after stop the player stays paused and the status stays.
  if (!last || stopped_) return;
  if (!finished) {
    // Interrupted from outside: the clock goes on as it went before the seek (still for a paused asset).
    player->setRate(preSeekRate_);
    failureReason_ = "the seek was interrupted";
    onStatusMessage(kFailed);
  } else if (preSeekStatus_ == kPaused) {
    player->pause();
    onStatusMessage(kPaused);
  } else {
    player->setRate(1.0f);
    onStatusMessage(kPlaying);
  }
}

MediaTime QVVideoStreamAsset::getPlaybackTime() {
  std::lock_guard<std::mutex> guard(guard_);
  return playerItem ? playerItem->currentTime() : MediaTime::make(0, 10000);
}

MediaTime QVVideoStreamAsset::getDuration() {
  std::lock_guard<std::mutex> guard(guard_);
  return playerItem ? playerItem->duration() : MediaTime::make(0, 10000);
}

std::string QVVideoStreamAsset::getUrl() {
  return url;
}

void QVVideoStreamAsset::addObserver(std::weak_ptr<QVAssetObserver> observer) {
  std::lock_guard<std::mutex> guard(refsLock_);
  assetObserver = std::move(observer);
}

void QVVideoStreamAsset::removeObserver(const void*) {
  std::lock_guard<std::mutex> guard(refsLock_);
  assetObserver.reset();
}

bool QVVideoStreamAsset::setTimeMonitor(std::weak_ptr<QVAssetTimeMonitor> monitor) {
  std::lock_guard<std::mutex> guard(refsLock_);
  _monitor = std::move(monitor);
  return true;
}

bool QVVideoStreamAsset::setAssetListener(std::weak_ptr<QVAssetListener> listener) {
  std::lock_guard<std::mutex> guard(refsLock_);
  assetListener = std::move(listener);
  return true;
}

std::shared_ptr<QVAssetListener> QVVideoStreamAsset::listener() const {
  std::lock_guard<std::mutex> guard(refsLock_);
  return assetListener.lock();
}

void QVVideoStreamAsset::setVolume(float volume) {
  if (auto current = currentPlayer()) current->setVolume(volume);
}

void QVVideoStreamAsset::itemDidFinishPlaying() {
  onStatusMessage(kFinished);
}

void QVVideoStreamAsset::observeValueForKeyPath(std::string_view key) {
  if (key == "playbackBufferEmpty") onStatusMessage(kBufferEmpty);
  if (key == "playbackBufferFull") onStatusMessage(kBufferFull);
  if (key == "playbackLikelyToKeepUp") onStatusMessage(kLikelyToKeepUp);
  std::shared_ptr<PlayerItem> item;
  std::optional<std::pair<MediaTime, bool>> seek;
  bool request = false;
  {
    std::lock_guard<std::mutex> guard(guard_);
    item = playerItem;
    if (!item || !player) return;
    PlayerItem::Status itemStatus = item->status();
    if (itemStatus == PlayerItem::StatusFailed) {
      QVLog("Asset playback failed. %s", item->errorDescription().c_str());
      failureReason_ = "playback failed: " + item->errorDescription();
      onStatusMessage(kFailed);
      return;
    }
    if (itemStatus != PlayerItem::StatusReadyToPlay) return;
    // bCapture is left alone: a pending stop stays pending until the capture thread ends. Only a
    // recorded play request starts playing here (stop withdraws it): buffer notifications keep coming
    // while the item is ready, also after stop. A seek's return from 10 is its completion's business.
    if (startSeekTo.timescale != 0) {
      seek = std::make_pair(startSeekTo, startSeekToExact);
      startSeekTo = MediaTime::make(0, 0);
    }
    request = playRequested_.exchange(false);
  }
  if (seek) dispatchStartSeek(seek->first, seek->second);
  if (request) play();
}

std::shared_ptr<Player> QVVideoStreamAsset::currentPlayer() const {
  std::lock_guard<std::mutex> guard(guard_);
  return player;
}

std::shared_ptr<PlayerItemVideoOutput> QVVideoStreamAsset::videoOutput() const {
  std::lock_guard<std::mutex> guard(guard_);
  return output;
}

bool QVVideoStreamAsset::hasVideoTrack() const {
  std::lock_guard<std::mutex> guard(guard_);
  if (!assetss || assetss->statusOfValueForKey("tracks") != StreamAsset::Loaded) return false;
  for (const auto& track : assetss->tracks()) {
    if (track.mediaType == MediaType::Video) return true;
  }
  return false;
}

bool QVVideoStreamAsset::isCapturing() const {
  std::lock_guard<std::mutex> guard(guard_);
  return captureRunning_;
}

bool QVVideoStreamAsset::isSeeking() const {
  std::lock_guard<std::mutex> guard(guard_);
  return seeksInFlight_ > 0;
}

void QVVideoStreamAsset::endCapture(int32_t code) {
  std::lock_guard<std::mutex> guard(guard_);
  captureRunning_ = false;
  bCapture = true;  // only the ending capture thread hands the flag back
  // Stored under the guard, so a stop() that finds no thread running does not report a second 4.
  if (code != kNoReport) onStatusMessage(code);
}

void QVVideoStreamAsset::startCaptureFrames(std::weak_ptr<QVVideoStreamAsset> weak) {
  setCurrentThreadName(kCaptureThreadName);
  // The thread holds the asset only for one step at a time, so dropping the asset ends the thread.
  while (true) {
    {
      auto self = weak.lock();
      if (!self) return;
      if (!self->bCapture) return self->endCapture(kStopped);
      auto current = self->currentPlayer();
      Player::Status playerStatus = current ? current->status() : Player::StatusUnknown;
      if (playerStatus == Player::StatusReadyToPlay) break;
      // A failed player never becomes ready: leave rather than wait for ever. The item's change handler
      // reports the failure; a second 9 from here would tell the observer twice.
      if (playerStatus == Player::StatusFailed) return self->endCapture(kNoReport);
    }
    sleepOnePeriod();
    QVLogAt(QVLogLevel::Debug, "Waiting for readystate ...");
  }
  {
    auto self = weak.lock();
    if (!self) return;
    std::shared_ptr<PlayerItem> item;
    std::shared_ptr<PlayerItemVideoOutput> videoOutput;
    {
      std::lock_guard<std::mutex> guard(self->guard_);
      item = self->playerItem;
      videoOutput = self->output;
    }
    item->removeOutput(videoOutput);  // attached once, whatever earlier threads did
    item->addOutput(videoOutput);
    if (!self->bCapture) return self->endCapture(kStopped);
  }
  bool firstFrame = true;
  // Polls on a fixed 1/90 s grid: the time spent converting and uploading a frame counts against the
  // period, so a slow upload does not push the next poll past the next frame's time.
  auto period = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
      std::chrono::duration<double>(kCapturePeriod));
  auto nextPoll = std::chrono::steady_clock::now();
  while (true) {
    {
      auto self = weak.lock();
      if (!self) return;
      self->capture(&firstFrame);
    }
    nextPoll += period;
    auto now = std::chrono::steady_clock::now();
    if (nextPoll > now) {
      std::this_thread::sleep_until(nextPoll);
    } else {
      nextPoll = now;  // overran: poll again at once, then back on the grid
    }
    auto self = weak.lock();
    if (!self) return;
    if (!self->bCapture) return self->endCapture(kStopped);
  }
}

void QVVideoStreamAsset::update() {
  bool noFirstFrameReport = false;
  capture(&noFirstFrameReport);
}

void QVVideoStreamAsset::capture(bool* firstFrame) {
  std::shared_ptr<PlayerItem> item;
  std::shared_ptr<PlayerItemVideoOutput> videoOutput;
  {
    std::lock_guard<std::mutex> guard(guard_);
    item = playerItem;
    videoOutput = output;
  }
  if (!videoOutput) return;
  MediaTime time = item ? item->currentTime() : MediaTime{};
  if (!videoOutput->hasNewPixelBufferForItemTime(time)) return;
  if (*firstFrame) {
    *firstFrame = false;
    // The first frame says that playing has begun, unless a pause, seek or stop has moved on since.
    std::lock_guard<std::mutex> guard(guard_);
    if (!stopped_ && seeksInFlight_ == 0 && status != kPaused) onStatusMessage(kPlaying);
  }
  if (auto buffer = videoOutput->copyPixelBufferForItemTime(time)) {
    // A strong reference for the call: the listener may be replaced or dropped on the main thread
    // meanwhile, and is skipped when it is gone. No asset lock is held while it runs. A seek while paused
    // shows where it landed: its frame is handed over during the seek (10) and after it (3) as well.
    const int32_t now = status;
    if (now == kPlaying || now == kPaused || now == kLoading) {
      if (auto target = listener())
        target->onImageBuffer(buffer.get(), 0, 0, buffer->width(), buffer->height());
    }
  }
  onUpdatePlayerTimeMonitor();
}

std::string QVVideoStreamAsset::failureReason() const {
  std::lock_guard<std::mutex> guard(guard_);
  return failureReason_;
}

std::optional<PanoramaLayout> QVVideoStreamAsset::panoramaLayout() {
  std::shared_ptr<StreamAsset> asset;
  {
    std::lock_guard<std::mutex> guard(guard_);
    asset = assetss;
  }
  return asset ? asset->panorama().layout : std::nullopt;
}

int32_t QVVideoStreamAsset::displayRotation() {
  std::shared_ptr<StreamAsset> asset;
  {
    std::lock_guard<std::mutex> guard(guard_);
    asset = assetss;
  }
  return asset ? asset->panorama().displayRotation : 0;
}

}  // namespace qv
