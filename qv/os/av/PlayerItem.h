// A player item: one StreamAsset being played. It loads and decodes once a Player is made with it (its
// engine thread), reports status (unknown, ready to play, failed), the current time and duration, seeks
// with tolerances, and tells observers of changes to "status", "playbackBufferEmpty",
// "playbackBufferFull" and "playbackLikelyToKeepUp", and of its end. Observers are called on the item's
// engine thread with no lock held; they may call back into the item and player.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "qv/os/av/AudioMix.h"
#include "qv/os/av/MediaTime.h"
#include "qv/os/av/StreamAsset.h"

namespace qv {

class PlaybackEngine;
class PlayerItemVideoOutput;

class PlayerItem : public std::enable_shared_from_this<PlayerItem> {
 public:
  enum Status : int32_t { StatusUnknown = 0, StatusReadyToPlay = 1, StatusFailed = 2 };
  using KeyObserver = std::function<void(std::string_view key)>;

  static std::shared_ptr<PlayerItem> create(std::shared_ptr<StreamAsset> asset);
  ~PlayerItem();
  PlayerItem(const PlayerItem&) = delete;
  PlayerItem& operator=(const PlayerItem&) = delete;

  const std::shared_ptr<StreamAsset>& asset() const { return asset_; }
  Status status() const;
  // Why the item failed, in one line (the platform's error description); empty unless it failed.
  std::string errorDescription() const;
  MediaTime currentTime() const;
  MediaTime duration() const;  // indefinite until known
  bool isPlaybackBufferEmpty() const;
  bool isPlaybackBufferFull() const;
  bool isPlaybackLikelyToKeepUp() const;

  // A tolerance before of zero lands on the exact time; any other lets the seek land on the key frame
  // before it. The completion runs on the item's thread: true when finished, false when interrupted.
  void seekToTime(MediaTime time, MediaTime toleranceBefore, MediaTime toleranceAfter,
                  std::function<void(bool finished)> completion);

  // Key-value observation and the end-of-item notification. Return a token for removal.
  int addObserver(KeyObserver observer);
  int addEndObserver(std::function<void()> observer);
  void removeObserver(int token);

  void addOutput(const std::shared_ptr<PlayerItemVideoOutput>& output);
  void removeOutput(const std::shared_ptr<PlayerItemVideoOutput>& output);
  void setAudioMix(const AudioMix& mix);

  // For the player: starts loading (once) and reaches the clock, volume and frames.
  void startLoading();
  const std::shared_ptr<PlaybackEngine>& engine() const { return engine_; }

 private:
  explicit PlayerItem(std::shared_ptr<StreamAsset> asset);
  void notifyChange(std::string_view key);
  void notifyEnd();

  const std::shared_ptr<StreamAsset> asset_;
  const std::shared_ptr<PlaybackEngine> engine_;
  mutable std::mutex lock_;
  struct Registration {
    int token;
    KeyObserver keyObserver;
    std::function<void()> endObserver;
  };
  std::vector<Registration> observers_;                        // guarded by lock_
  int nextToken_ = 1;                                          // guarded by lock_
  std::vector<std::weak_ptr<PlayerItemVideoOutput>> outputs_;  // guarded by lock_
};

}  // namespace qv
