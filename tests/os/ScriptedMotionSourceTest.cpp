#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "qv/os/MotionTrace.h"
#include "qv/os/RunLoop.h"
#include "qv/os/ScriptedLocationSource.h"
#include "qv/os/ScriptedMotionSource.h"
#include "tests/support/LogCapture.h"

using namespace qv;

namespace {

const std::string kTraces = std::string(QV_TEST_DATA_DIR) + "/motion/";

class ScriptedMotionSourceTest : public ::testing::Test {
 protected:
  void SetUp() override { RunLoop::main().useManualClock(100.0); }
  void TearDown() override { RunLoop::main().useRealClock(); }
  void advance(double seconds) { RunLoop::main().runFor(seconds); }

  LogCapture log;
};

TEST_F(ScriptedMotionSourceTest, BadTracesAreRefusedWithFileAndLine) {
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"time,pitch,yaw,roll\n0,0,0,0\n0.5,0,abc,0\n", "motion trace t.csv:3: \"abc\" is not a finite number"},
      {"time,pitch,yaw,roll\n0,0,0\n", "motion trace t.csv:2: expected 4 fields, found 3"},
      {"time,pitch,yaw,roll\n0,0,nan,0\n", "motion trace t.csv:2: \"nan\" is not a finite number"},
      {"time,pitch,yaw,roll\n0,0,1.5x,0\n", "motion trace t.csv:2: \"1.5x\" is not a finite number"},
      {"time,heading\n1,0\n0.5,0\n", "motion trace t.csv:3: time goes backwards"},
      {"# comment\n\ntime,pitch,yaw\n", "motion trace t.csv:3: needs all of the columns pitch,yaw,roll"},
      {"time,ax,ay,az,speed\n", "motion trace t.csv:1: unknown column \"speed\""},
      {"time,ax,ay,az,uax,uay,uaz\n", "motion trace t.csv:1: user acceleration needs the attitude columns"},
      {"time,heading\n# nothing recorded\n", "motion trace t.csv:2: no samples after the header"},
  };
  for (const Case& c : cases) {
    log.lines.clear();
    EXPECT_EQ(MotionTrace::parse(c.text, "t.csv"), nullptr) << c.text;
    EXPECT_EQ(log.lines, std::vector<std::string>{c.expected}) << c.text;
  }
  log.lines.clear();
  EXPECT_EQ(MotionTrace::load(kTraces + "no-such-trace.csv"), nullptr);
  EXPECT_EQ(log.lines,
            std::vector<std::string>{"motion trace " + kTraces + "no-such-trace.csv: no such file"});
}

TEST_F(ScriptedMotionSourceTest, ReplaysAttitudeAgainstTheRunLoopClockFromTheStartOfUpdates) {
  auto trace = MotionTrace::load(kTraces + "turn-yaw-90.csv");
  ASSERT_NE(trace, nullptr);
  ScriptedMotionSource motion(trace);
  EXPECT_TRUE(motion.isDeviceMotionAvailable());
  EXPECT_FALSE(motion.deviceMotion());  // not started

  advance(3.0);  // time before the start does not count
  motion.startDeviceMotionUpdates();
  auto first = motion.deviceMotion();
  ASSERT_TRUE(first);
  EXPECT_DOUBLE_EQ(first->attitude.pitch, 0);
  EXPECT_DOUBLE_EQ(first->attitude.yaw, 0);
  EXPECT_DOUBLE_EQ(first->timestamp, 103.0);

  advance(0.5);
  auto middle = motion.deviceMotion();
  ASSERT_TRUE(middle);
  EXPECT_NEAR(middle->attitude.yaw, M_PI / 4, 1e-9);
  EXPECT_DOUBLE_EQ(middle->timestamp, 103.5);  // each poll is a fresh sample for the filters

  advance(10.0);  // the last row holds
  EXPECT_NEAR(motion.deviceMotion()->attitude.yaw, M_PI / 2, 1e-9);
  EXPECT_FALSE(motion.accelerometerData());  // no acceleration columns

  motion.stopDeviceMotionUpdates();
  EXPECT_FALSE(motion.deviceMotion());
}

TEST_F(ScriptedMotionSourceTest, AnglesInterpolateTheShortWayRound) {
  auto trace = MotionTrace::parse("time,pitch,yaw,roll,heading\n0,0,3,0,350\n1,0,-3,0,10\n", "t");
  ASSERT_NE(trace, nullptr);
  ScriptedMotionSource motion(trace);
  ScriptedLocationSource compass(trace);
  motion.startDeviceMotionUpdates();
  compass.startUpdatingHeading();
  advance(0.5);
  // Halfway from 3 to -3 radians through pi, not through 0; the yaw is reported relative to the start (3).
  EXPECT_NEAR(motion.deviceMotion()->attitude.yaw, M_PI - 3.0, 1e-9);
  EXPECT_NEAR(*compass.magneticHeading(), 0.0, 1e-9);
  advance(0.25);
  EXPECT_NEAR(*compass.magneticHeading(), 5.0, 1e-9);
}

TEST_F(ScriptedMotionSourceTest, AccelerometerTraceHasNoDeviceMotionAndSharesItsClockWithTheCompass) {
  auto trace = MotionTrace::load(kTraces + "compass-turn.csv");
  ASSERT_NE(trace, nullptr);
  ScriptedMotionSource motion(trace);
  ScriptedLocationSource compass(trace);
  EXPECT_FALSE(motion.isDeviceMotionAvailable());
  EXPECT_TRUE(compass.isHeadingAvailable());
  motion.startDeviceMotionUpdates();
  EXPECT_FALSE(motion.deviceMotion());

  motion.startAccelerometerUpdates();
  EXPECT_FALSE(compass.magneticHeading());  // heading updates not started yet
  advance(0.5);
  compass.startUpdatingHeading();  // joins the replay already running
  auto a = motion.accelerometerData();
  ASSERT_TRUE(a);
  EXPECT_DOUBLE_EQ(a->z, -1.0);
  EXPECT_DOUBLE_EQ(a->timestamp, 100.5);
  EXPECT_NEAR(*compass.magneticHeading(), 45.0, 1e-9);
  compass.stopUpdatingHeading();
  EXPECT_FALSE(compass.magneticHeading());
}

}  // namespace
