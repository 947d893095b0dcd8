#include "qv/os/av/ThreadReaper.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

#include "qv/os/ThreadName.h"

namespace qv {

namespace {

std::atomic<bool> reaperGone{false};

class Reaper {
 public:
  ~Reaper() {
    {
      std::lock_guard<std::mutex> guard(lock_);
      stopping_ = true;
    }
    wakeup_.notify_all();
    if (worker_.joinable()) worker_.join();
    reaperGone = true;
  }

  void adopt(std::thread thread) {
    {
      std::lock_guard<std::mutex> guard(lock_);
      if (stopping_) return thread.detach();  // exit has begun on another thread
      queue_.push_back(std::move(thread));
      ++adopted_;
      if (!worker_.joinable()) worker_ = std::thread([this] { run(); });
    }
    wakeup_.notify_all();
  }

  void drain() {
    std::unique_lock<std::mutex> guard(lock_);
    const uint64_t target = adopted_;
    joinedChanged_.wait(guard, [&] { return joined_ >= target; });
  }

 private:
  void run() {
    setCurrentThreadName("qv.reaper");
    std::unique_lock<std::mutex> guard(lock_);
    while (true) {
      wakeup_.wait(guard, [&] { return stopping_ || !queue_.empty(); });
      if (queue_.empty()) return;  // stopping, and nothing left
      std::thread next = std::move(queue_.front());
      queue_.pop_front();
      guard.unlock();
      next.join();  // it ends on its own: its work is done, or bounded by timeouts
      guard.lock();
      ++joined_;
      joinedChanged_.notify_all();
    }
  }

  std::mutex lock_;
  std::condition_variable wakeup_, joinedChanged_;
  std::deque<std::thread> queue_;  // guarded by lock_
  uint64_t adopted_ = 0;           // guarded by lock_
  uint64_t joined_ = 0;            // guarded by lock_
  bool stopping_ = false;          // guarded by lock_
  std::thread worker_;             // started by the first adopt
};

Reaper& reaper() {
  static Reaper instance;
  return instance;
}

}  // namespace

void ThreadReaper::adopt(std::thread thread) {
  if (!thread.joinable()) return;
  // After the reaper itself has gone (exit, in static destruction): nothing is left to join with.
  if (reaperGone) return thread.detach();
  reaper().adopt(std::move(thread));
}

void ThreadReaper::drain() {
  if (!reaperGone) reaper().drain();
}

}  // namespace qv
