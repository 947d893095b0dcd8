#include <gtest/gtest.h>

#include "qv/os/RunLoop.h"

using namespace qv;

class RunLoopTest : public ::testing::Test {
 protected:
  void SetUp() override { RunLoop::main().useManualClock(100.0); }
  void TearDown() override { RunLoop::main().useRealClock(); }
  RunLoop& loop = RunLoop::main();
};

TEST_F(RunLoopTest, RepeatingTimerFiresOncePerPeriodOfTheManualClock) {
  int ticks = 0;
  auto timer = loop.scheduleTimer(1.0 / 60, true, [&] { ++ticks; });
  loop.runFor(1.0);
  EXPECT_EQ(ticks, 60);
  timer->invalidate();
  loop.runFor(1.0);
  EXPECT_EQ(ticks, 60);
  EXPECT_FALSE(timer->isValid());
}

TEST_F(RunLoopTest, TimersFireInTimeOrderAndMayInvalidateEachOther) {
  std::vector<int> order;
  int fastTicks = 0;
  std::shared_ptr<Timer> slow;
  auto fast = loop.scheduleTimer(0.125, true, [&] {
    order.push_back(1);
    if (++fastTicks == 3) slow->invalidate();
  });
  slow = loop.scheduleTimer(0.3125, true, [&] { order.push_back(2); });
  loop.runFor(1.0);
  fast->invalidate();
  slow->invalidate();
  EXPECT_EQ(order, (std::vector<int>{1, 1, 2, 1, 1, 1, 1, 1, 1}));
}

TEST_F(RunLoopTest, BlocksDispatchedFromOtherThreadsRunOnThePumpingThreadInOrder) {
  std::vector<int> seen;
  std::thread worker([&] {
    for (int i = 0; i < 5; ++i) loop.dispatchAsync([&seen, i] { seen.push_back(i); });
  });
  worker.join();
  EXPECT_TRUE(seen.empty());
  loop.runOnce();
  EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3, 4}));
}
