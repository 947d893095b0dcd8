#include "qv/os/av/PlayerItem.h"

#include <algorithm>
#include <string>

#include "qv/os/av/PlaybackEngine.h"
#include "qv/os/av/PlayerItemVideoOutput.h"

namespace qv {

namespace {

// Times on the timescale of microseconds, enough for frame-exact positions.
MediaTime timeOf(double seconds) {
  return MediaTime::make(int64_t(seconds * 1000000.0 + 0.5), 1000000);
}

}  // namespace

std::shared_ptr<PlayerItem> PlayerItem::create(std::shared_ptr<StreamAsset> asset) {
  if (!asset) return nullptr;
  return std::shared_ptr<PlayerItem>(new PlayerItem(std::move(asset)));
}

PlayerItem::PlayerItem(std::shared_ptr<StreamAsset> asset)
    : asset_(std::move(asset)),
      engine_(PlaybackEngine::create(StreamAsset::inputNameForURL(asset_->url()))) {}

PlayerItem::~PlayerItem() {
  engine_->shutdown();
}

void PlayerItem::startLoading() {
  std::weak_ptr<PlayerItem> weak = weak_from_this();
  PlaybackEngine::Events events;
  events.changed = [weak](std::string_view key) {
    if (auto item = weak.lock()) item->notifyChange(key);
  };
  events.playedToEnd = [weak] {
    if (auto item = weak.lock()) item->notifyEnd();
  };
  engine_->start(std::move(events));
}

void PlayerItem::notifyChange(std::string_view key) {
  std::vector<KeyObserver> observers;
  {
    std::lock_guard<std::mutex> guard(lock_);
    for (const auto& registration : observers_) {
      if (registration.keyObserver) observers.push_back(registration.keyObserver);
    }
  }
  for (const auto& observer : observers) observer(key);
}

void PlayerItem::notifyEnd() {
  std::vector<std::function<void()>> observers;
  {
    std::lock_guard<std::mutex> guard(lock_);
    for (const auto& registration : observers_) {
      if (registration.endObserver) observers.push_back(registration.endObserver);
    }
  }
  for (const auto& observer : observers) observer();
}

PlayerItem::Status PlayerItem::status() const {
  switch (engine_->status()) {
    case PlaybackEngine::Status::ReadyToPlay:
      return StatusReadyToPlay;
    case PlaybackEngine::Status::Failed:
      return StatusFailed;
    default:
      return StatusUnknown;
  }
}

std::string PlayerItem::errorDescription() const {
  return status() == StatusFailed ? engine_->failureReason() : std::string();
}

MediaTime PlayerItem::currentTime() const {
  return timeOf(engine_->currentTime());
}

MediaTime PlayerItem::duration() const {
  double seconds = engine_->duration();
  if (seconds <= 0) return asset_->duration();
  return timeOf(seconds);
}

bool PlayerItem::isPlaybackBufferEmpty() const {
  return engine_->bufferEmpty();
}
bool PlayerItem::isPlaybackBufferFull() const {
  return engine_->bufferFull();
}
bool PlayerItem::isPlaybackLikelyToKeepUp() const {
  return engine_->likelyToKeepUp();
}

void PlayerItem::seekToTime(MediaTime time, MediaTime toleranceBefore, MediaTime,
                            std::function<void(bool)> completion) {
  double before = (toleranceBefore.flags & MediaTime::PositiveInfinity) ? 1e300 : toleranceBefore.seconds();
  engine_->seek(time.seconds(), before, std::move(completion));
}

int PlayerItem::addObserver(KeyObserver observer) {
  std::lock_guard<std::mutex> guard(lock_);
  observers_.push_back({nextToken_, std::move(observer), {}});
  return nextToken_++;
}

int PlayerItem::addEndObserver(std::function<void()> observer) {
  std::lock_guard<std::mutex> guard(lock_);
  observers_.push_back({nextToken_, {}, std::move(observer)});
  return nextToken_++;
}

void PlayerItem::removeObserver(int token) {
  std::lock_guard<std::mutex> guard(lock_);
  std::erase_if(observers_, [token](const Registration& r) { return r.token == token; });
}

void PlayerItem::addOutput(const std::shared_ptr<PlayerItemVideoOutput>& output) {
  if (!output) return;
  output->attach(engine_);
  std::lock_guard<std::mutex> guard(lock_);
  outputs_.push_back(output);
}

void PlayerItem::removeOutput(const std::shared_ptr<PlayerItemVideoOutput>& output) {
  if (!output) return;
  output->attach(nullptr);
  std::lock_guard<std::mutex> guard(lock_);
  std::erase_if(outputs_, [&](const std::weak_ptr<PlayerItemVideoOutput>& o) { return o.lock() == output; });
}

void PlayerItem::setAudioMix(const AudioMix& mix) {
  float volume = 1.0f;
  int32_t track = engine_->soundTrackID();
  for (const auto& parameters : mix.inputParameters) {
    if (parameters.trackID == track) volume = parameters.volume;
  }
  engine_->setMixVolume(volume);
}

}  // namespace qv
