#include "qv/navigation/AccelerometerFilter.h"

#include <gtest/gtest.h>

#include "qv/navigation/HighpassFilter.h"
#include "qv/navigation/LowpassFilter.h"

using namespace qv;

TEST(AccelerometerFilterTest, LowpassFollowsAConstantAfterTheFirstSample) {
  LowpassFilter filter(1.0);
  EXPECT_EQ(filter.lastTimestamp(), -1.0);
  filter.addAcceleration({0, 0, -1}, 0.0);
  EXPECT_EQ(filter.z(), 0.0);  // the first sample only starts the clock
  EXPECT_EQ(filter.lastTimestamp(), 0.0);
  filter.addAcceleration({0, 0, -1}, 1.0 / 60);
  EXPECT_DOUBLE_EQ(filter.z(), -(1.0 / 60) / (1.0 + 1.0 / 60));
  for (int i = 2; i < 600; ++i) filter.addAcceleration({0, 0, -1}, i / 60.0);
  EXPECT_NEAR(filter.z(), -1.0, 1e-3);
  EXPECT_EQ(filter.x(), 0.0);

  // Equal timestamps change nothing; a cutoff of 0 never moves.
  const double before = filter.z();
  filter.addAcceleration({0, 0, 5}, 599 / 60.0);
  EXPECT_EQ(filter.z(), before);
  LowpassFilter frozen(0.0);
  frozen.addAcceleration({1, 1, 1}, 0);
  frozen.addAcceleration({1, 1, 1}, 1);
  EXPECT_EQ(frozen.x(), 0.0);
}

TEST(AccelerometerFilterTest, HighpassDecaysForAConstant) {
  HighpassFilter filter(1000.0);
  filter.addAcceleration({0.5, 0, 0}, 0.0);
  filter.addAcceleration({0.5, 0, 0}, 0.01);
  const double alpha = 0.01 / (0.001 + 0.01);
  EXPECT_DOUBLE_EQ(filter.x(), alpha * 0.5);  // the previous raw sample starts at 0
  for (int i = 2; i < 300; ++i) filter.addAcceleration({0.5, 0, 0}, i * 0.01);
  EXPECT_NEAR(filter.x(), 0.0, 1e-6);
}

TEST(AccelerometerFilterTest, AdaptiveModeWeighsLargeChangesAndNoise) {
  const double dt = 0.1, rc = 1.0, alpha = dt / (rc + dt);
  struct Case {
    double step;  // change of magnitude in g
    double lowpassAlpha, highpassAlpha;
  };
  const Case cases[] = {
      {0.5, alpha, alpha / 3}, {0.01, alpha / 3, alpha}, {0.03, 0.5 * alpha + 0.5 * alpha / 3, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.step);
    LowpassFilter low(1.0);
    low.setAdaptive(true);
    low.addAcceleration({0, 0, 0}, 0.0);
    low.addAcceleration({0, 0, c.step}, dt);
    EXPECT_NEAR(low.z(), c.step * c.lowpassAlpha, 1e-12);

    if (c.highpassAlpha == 0) continue;
    HighpassFilter high(1.0);
    high.setAdaptive(true);
    high.addAcceleration({0, 0, 0}, 0.0);
    high.addAcceleration({0, 0, c.step}, dt);
    EXPECT_NEAR(high.z(), c.step * c.highpassAlpha, 1e-12);
  }
}
