#include "qv/os/RunLoop.h"

#include <algorithm>
#include <chrono>
#include <limits>

namespace qv {

namespace {

double steadySeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

void Timer::invalidate() {
  if (loop_) loop_->invalidate(*this);
}

bool Timer::isValid() const {
  if (!loop_) return false;
  std::lock_guard<std::mutex> guard(loop_->lock_);
  return valid_;
}

RunLoop& RunLoop::main() {
  static RunLoop* loop = new RunLoop();  // lives for the process, like the platform's main loop
  return *loop;
}

RunLoop::RunLoop() : loopThread_(std::this_thread::get_id()) {}

double RunLoop::now() const {
  std::lock_guard<std::mutex> guard(lock_);
  return manual_ ? manualNow_ : steadySeconds();
}

void RunLoop::useManualClock(double start) {
  std::lock_guard<std::mutex> guard(lock_);
  manual_ = true;
  manualNow_ = start;
}

void RunLoop::useRealClock() {
  std::lock_guard<std::mutex> guard(lock_);
  manual_ = false;
}

bool RunLoop::usesManualClock() const {
  std::lock_guard<std::mutex> guard(lock_);
  return manual_;
}

std::shared_ptr<Timer> RunLoop::scheduleTimer(double interval, bool repeats, std::function<void()> action) {
  std::shared_ptr<Timer> timer(new Timer(interval, repeats, std::move(action)));
  timer->loop_ = this;
  {
    std::lock_guard<std::mutex> guard(lock_);
    timer->fireTime_ = (manual_ ? manualNow_ : steadySeconds()) + std::max(interval, 0.0);
    timers_.push_back(timer);
  }
  wakeup_.notify_all();
  return timer;
}

void RunLoop::dispatchAsync(std::function<void()> block) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    blocks_.push_back(std::move(block));
  }
  wakeup_.notify_all();
}

void RunLoop::invalidate(Timer& timer) {
  std::function<void()> action;  // released outside the lock: it may own objects whose teardown uses the loop
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (!timer.valid_) return;
    timer.valid_ = false;
    action = std::move(timer.action_);
    timers_.erase(std::remove_if(timers_.begin(), timers_.end(), [&](auto& t) { return t.get() == &timer; }),
                  timers_.end());
  }
}

std::shared_ptr<Timer> RunLoop::takeDueTimer(double time) {
  std::lock_guard<std::mutex> guard(lock_);
  std::shared_ptr<Timer> due;
  for (auto& t : timers_) {
    if (t->fireTime_ <= time && (!due || t->fireTime_ < due->fireTime_)) due = t;
  }
  return due;
}

void RunLoop::fire(const std::shared_ptr<Timer>& timer) {
  std::function<void()> action;
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (!timer->valid_) return;
    action = timer->action_;
    if (timer->repeats_ && timer->interval_ > 0) {
      double next = timer->fireTime_ + timer->interval_;
      // A late real-time timer skips the periods it missed instead of firing in a burst.
      double current = manual_ ? manualNow_ : steadySeconds();
      if (!manual_ && next <= current) next = current + timer->interval_;
      timer->fireTime_ = next;
    }
  }
  if (!timer->repeats_ || timer->interval_ <= 0) timer->invalidate();
  if (action) action();
}

int RunLoop::runQueuedBlocks() {
  std::deque<std::function<void()>> blocks;
  {
    std::lock_guard<std::mutex> guard(lock_);
    blocks.swap(blocks_);
  }
  for (auto& block : blocks) block();
  return int(blocks.size());
}

int RunLoop::runOnce() {
  int count = runQueuedBlocks();
  double time = now();
  // Only the timers due at the start of this pump; a timer that re-arms itself into the past waits.
  std::vector<std::shared_ptr<Timer>> fired;
  while (auto timer = takeDueTimer(time)) {
    if (std::find(fired.begin(), fired.end(), timer) != fired.end()) break;
    fired.push_back(timer);
    fire(timer);
    ++count;
  }
  return count + runQueuedBlocks();
}

double RunLoop::timeToNextTimer() const {
  std::lock_guard<std::mutex> guard(lock_);
  double current = manual_ ? manualNow_ : steadySeconds();
  double next = std::numeric_limits<double>::max();
  for (auto& t : timers_) next = std::min(next, t->fireTime_ - current);
  return std::max(next, 0.0);
}

void RunLoop::runFor(double seconds) {
  if (usesManualClock()) {
    double end = now() + seconds;
    runQueuedBlocks();
    while (auto timer = takeDueTimer(end)) {
      {
        std::lock_guard<std::mutex> guard(lock_);
        manualNow_ = std::max(manualNow_, timer->fireTime_);
      }
      fire(timer);
      runQueuedBlocks();
    }
    {
      std::lock_guard<std::mutex> guard(lock_);
      manualNow_ = std::max(manualNow_, end);
    }
    runOnce();
    return;
  }
  double end = steadySeconds() + seconds;
  for (;;) {
    runOnce();
    double remaining = end - steadySeconds();
    if (remaining <= 0) break;
    double wait = std::min(remaining, timeToNextTimer());
    std::unique_lock<std::mutex> guard(lock_);
    if (blocks_.empty()) wakeup_.wait_for(guard, std::chrono::duration<double>(wait));
  }
}

bool RunLoop::isLoopThread() const {
  std::lock_guard<std::mutex> guard(lock_);
  return loopThread_ == std::this_thread::get_id();
}

void RunLoop::adoptCurrentThread() {
  std::lock_guard<std::mutex> guard(lock_);
  loopThread_ = std::this_thread::get_id();
}

}  // namespace qv
