// The main run loop: repeating and one-shot timers, blocks dispatched from any thread, and the clock the
// kit reads as "current media time". The host pumps it on its main thread (runOnce / runFor); the kit's
// main thread is the thread that pumps it. Tests switch it to a manual clock and advance time by hand,
// which fires the due timers in order without sleeping.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class RunLoop;

// A timer scheduled on a run loop. Invalidate it to stop it; a one-shot timer invalidates itself after
// firing.
class Timer {
 public:
  void invalidate();
  bool isValid() const;
  double interval() const { return interval_; }

 private:
  friend class RunLoop;
  Timer(double interval, bool repeats, std::function<void()> action)
      : interval_(interval), repeats_(repeats), action_(std::move(action)) {}

  const double interval_;  // seconds
  const bool repeats_;
  std::function<void()> action_;  // guarded by the run loop's lock
  double fireTime_ = 0;           // guarded by the run loop's lock
  bool valid_ = true;             // guarded by the run loop's lock
  RunLoop* loop_ = nullptr;
};

class RunLoop {
 public:
  static RunLoop& main();

  // Monotonic seconds (steady clock, or the manual clock in tests).
  double now() const;
  void useManualClock(double start = 0.0);
  void useRealClock();
  bool usesManualClock() const;

  // Schedules a timer that first fires `interval` seconds from now. Any thread may schedule.
  std::shared_ptr<Timer> scheduleTimer(double interval, bool repeats, std::function<void()> action);
  // Runs `block` on the loop's thread at its next pump. Any thread; never runs the block inline.
  void dispatchAsync(std::function<void()> block);

  // Runs the queued blocks and the timers that are due now; returns the number of callbacks run.
  int runOnce();
  // Pumps for `seconds`: with the real clock it sleeps between events, with the manual clock it advances
  // the clock through every due timer in order.
  void runFor(double seconds);
  // Seconds until the next timer is due (a large value when none is scheduled).
  double timeToNextTimer() const;

  // The thread that pumps this loop (the first that called main(), or the last to adopt it).
  bool isLoopThread() const;
  void adoptCurrentThread();

 private:
  RunLoop();
  friend class Timer;
  void invalidate(Timer& timer);
  std::shared_ptr<Timer> takeDueTimer(double time);
  void fire(const std::shared_ptr<Timer>& timer);
  int runQueuedBlocks();

  mutable std::mutex lock_;
  std::condition_variable wakeup_;
  std::vector<std::shared_ptr<Timer>> timers_;  // guarded by lock_
  std::deque<std::function<void()>> blocks_;    // guarded by lock_
  bool manual_ = false;                         // guarded by lock_
  double manualNow_ = 0;                        // guarded by lock_
  std::thread::id loopThread_;                  // guarded by lock_
};

}  // namespace qv
QV_EXPORT_END
