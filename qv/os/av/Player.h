// A player for one item: rate (0 paused, 1 playing), volume and mute of the sound it plays, and a status
// that follows its item's. Making the player starts loading the item. Any thread may call it.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "qv/os/av/PlayerItem.h"

namespace qv {

class Player {
 public:
  enum Status : int32_t { StatusUnknown = 0, StatusReadyToPlay = 1, StatusFailed = 2 };

  static std::shared_ptr<Player> create(std::shared_ptr<PlayerItem> item);

  const std::shared_ptr<PlayerItem>& currentItem() const { return item_; }
  Status status() const;
  void play() { setRate(1.0f); }
  void pause() { setRate(0.0f); }
  void setRate(float rate);
  float rate() const;
  void setVolume(float volume);  // 0 silent .. 1 full, applied to the samples played
  float volume() const;
  void setMuted(bool muted);
  bool isMuted() const;

 private:
  explicit Player(std::shared_ptr<PlayerItem> item) : item_(std::move(item)) {}
  const std::shared_ptr<PlayerItem> item_;
};

}  // namespace qv
