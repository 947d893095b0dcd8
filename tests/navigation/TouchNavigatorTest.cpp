#include "qv/navigation/TouchNavigator.h"

#include <gtest/gtest.h>

#include "qv/core/QVViewResponder.h"
#include "qv/os/RunLoop.h"
#include "tests/support/ViewTestSupport.h"

namespace {

struct TapCounter : QVViewResponder {
  std::shared_ptr<Responder> nextResponder() const override { return nullptr; }
  void viewWasTouched() override { ++taps; }
  int taps = 0;
};

class TouchNavigatorTest : public ::testing::Test {
 protected:
  void SetUp() override { RunLoop::main().useManualClock(50.0); }
  void TearDown() override { RunLoop::main().useRealClock(); }
  void drag(double x0, double y0, double x1, double y1, bool flipYaw = false, int steps = 4) {
    touch.touchesBegan(x0, y0);
    for (int i = 1; i <= steps; ++i)
      touch.touchesMoved(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps, flipYaw);
    touch.touchesEnded(x1, y1);
  }
  TouchNavigator touch;
};

}  // namespace

TEST_F(TouchNavigatorTest, ATapReachesTheViewsResponderOnceAndTurnsNothing) {
  auto view = makeLaidOutView(200, 100, /*touchOnly=*/false);
  auto at = [&](double x, double y) { return std::vector<QVViewGL::Touch>{{x, y, view.get()}}; };
  auto responder = std::make_shared<TapCounter>();
  view->setResponder(responder);
  view->touchesBegan(at(50, 50));
  view->touchesEnded(at(50, 50));
  EXPECT_EQ(responder->taps, 1);
  EXPECT_EQ(view->touch().yawOffset(), 0);
  EXPECT_EQ(view->touch().pitchOffset(), 0);
  view->touchesBegan(at(10, 10));
  view->touchesMoved(at(60, 10));
  view->touchesEnded(at(60, 10));
  EXPECT_EQ(responder->taps, 1);     // a drag is not a tap
  view->setInterfaceOrientation(4);  // in motion navigation a landscape-right drag turns the other way
  view->touchesBegan(at(60, 10));
  view->touchesMoved(at(10, 10));
  view->touchesEnded(at(10, 10));
  EXPECT_EQ(view->touch().yawOffset(), 50);
  responder.reset();  // a responder that is gone is not messaged
  view->touchesBegan(at(5, 5));
  view->touchesEnded(at(5, 5));
}

TEST_F(TouchNavigatorTest, DragsTurnTheOffsetsAndThePitchIsPinned) {
  drag(100, 0, 100, 100);
  EXPECT_FLOAT_EQ(touch.pitchOffset(), -50);
  EXPECT_NEAR(touch.getRotationY(), 33.333f, 1e-3);
  drag(0, 0, 0, 10000);
  EXPECT_EQ(touch.pitchOffset(), -135);
  drag(0, 10000, 0, -20000);
  EXPECT_EQ(touch.pitchOffset(), 135);

  drag(0, 0, 40, 0);
  EXPECT_FLOAT_EQ(touch.yawOffset(), 20);
  drag(0, 0, 40, 0, /*flipYaw=*/true);
  EXPECT_FLOAT_EQ(touch.yawOffset(), 0);
}

TEST_F(TouchNavigatorTest, AutoLevelEasesThePitchBackAfterThePause) {
  touch.setAutoLevel(true, 2.5f);
  touch.touchesBegan(0, 0);
  touch.touchesMoved(0, 60, false);  // pitch offset -30
  touch.touchesEnded(0, 60);
  RunLoop::main().runFor(2.4);
  touch.autoLevelIfDue();
  EXPECT_FLOAT_EQ(touch.pitchOffset(), -30);  // not yet
  EXPECT_FALSE(touch.isEasing());
  RunLoop::main().runFor(0.2);
  touch.autoLevelIfDue();  // a frame after the delay starts the easing
  ASSERT_TRUE(touch.isEasing());
  RunLoop::main().runFor(0.1);
  float first = touch.pitchOffset();
  EXPECT_LT(first, 0);
  RunLoop::main().runFor(1.0);
  EXPECT_GT(touch.pitchOffset(), first);  // on its way back
  EXPECT_LT(touch.pitchOffset(), 0);
  RunLoop::main().runFor(1.2);
  EXPECT_EQ(touch.pitchOffset(), 0);
  EXPECT_FALSE(touch.isEasing());
}

TEST_F(TouchNavigatorTest, AViewsFramesStartTheAutoLevel) {
  auto view = makeLaidOutView(200, 100, /*touchOnly=*/false);
  view->setAutoLevel(true, 2.5f);
  view->setRotationY(20);
  view->run();
  RunLoop::main().runFor(2.6);
  EXPECT_TRUE(view->touch().isEasing());
  RunLoop::main().runFor(2.2);
  EXPECT_EQ(view->getRotationY(), 0);
  view->halt();
}
