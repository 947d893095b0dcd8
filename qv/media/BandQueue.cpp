#include "qv/media/BandQueue.h"

namespace qv {

BandQueue::BandQueue(int buffers, size_t bytesEach) {
  for (int i = 0; i < buffers; ++i) {
    buffers_.push_back(std::make_unique<Band>());
    buffers_.back()->bytes.reset(new uint8_t[bytesEach]);
    empty_.push_back(buffers_.back().get());
  }
}

BandQueue::Band* BandQueue::take(std::deque<Band*>& from, bool endsWhenFinished) {
  std::unique_lock<std::mutex> guard(lock_);
  changed_.wait(guard, [&] { return closed_ || !from.empty() || (endsWhenFinished && finished_); });
  if (closed_ || from.empty()) return nullptr;
  Band* band = from.front();
  from.pop_front();
  return band;
}

BandQueue::Band* BandQueue::takeEmpty() {
  return take(empty_, false);
}

bool BandQueue::uploaderReady() const {
  std::lock_guard<std::mutex> guard(lock_);
  return uploaderReady_;
}

void BandQueue::markUploaderReady() {
  std::lock_guard<std::mutex> guard(lock_);
  uploaderReady_ = true;
}

void BandQueue::putFull(Band* band) {
  std::lock_guard<std::mutex> guard(lock_);
  full_.push_back(band);
  changed_.notify_all();
}

void BandQueue::finish(std::string failure) {
  std::lock_guard<std::mutex> guard(lock_);
  finished_ = true;
  failure_ = std::move(failure);
  changed_.notify_all();
}

BandQueue::Band* BandQueue::takeFull() {
  return take(full_, true);
}

void BandQueue::putEmpty(Band* band) {
  std::lock_guard<std::mutex> guard(lock_);
  empty_.push_back(band);
  changed_.notify_all();
}

std::string BandQueue::failure() const {
  std::lock_guard<std::mutex> guard(lock_);
  return failure_;
}

void BandQueue::close() {
  std::lock_guard<std::mutex> guard(lock_);
  closed_ = true;
  changed_.notify_all();
}

}  // namespace qv
