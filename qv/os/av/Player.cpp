#include "qv/os/av/Player.h"

#include <algorithm>

#include "qv/os/av/PlaybackEngine.h"

namespace qv {

std::shared_ptr<Player> Player::create(std::shared_ptr<PlayerItem> item) {
  if (!item) return nullptr;
  std::shared_ptr<Player> player(new Player(std::move(item)));
  player->item_->startLoading();
  return player;
}

Player::Status Player::status() const {
  switch (item_->status()) {
    case PlayerItem::StatusReadyToPlay:
      return StatusReadyToPlay;
    case PlayerItem::StatusFailed:
      return StatusFailed;
    default:
      return StatusUnknown;
  }
}

void Player::setRate(float rate) {
  item_->engine()->setRate(std::max(0.0f, rate));
}
float Player::rate() const {
  return float(item_->engine()->rate());
}
void Player::setVolume(float volume) {
  item_->engine()->setVolume(std::clamp(volume, 0.0f, 1.0f));
}
float Player::volume() const {
  return item_->engine()->volume();
}
void Player::setMuted(bool muted) {
  item_->engine()->setMuted(muted);
}
bool Player::isMuted() const {
  return item_->engine()->isMuted();
}

}  // namespace qv
