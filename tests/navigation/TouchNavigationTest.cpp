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

class TouchNavigationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RunLoop::main().useManualClock(50.0);
    view = makeLaidOutView(200, 100, /*touchOnly=*/false);
  }
  void TearDown() override {
    view.reset();
    RunLoop::main().useRealClock();
  }
  std::vector<QVViewGL::Touch> at(double x, double y) { return {QVViewGL::Touch{x, y, view.get()}}; }
  void drag(double x0, double y0, double x1, double y1, int steps = 4) {
    view->touchesBegan(at(x0, y0));
    for (int i = 1; i <= steps; ++i)
      view->touchesMoved(at(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps));
    view->touchesEnded(at(x1, y1));
  }
  std::shared_ptr<QVViewGL> view;
};

}  // namespace

TEST_F(TouchNavigationTest, ATapReachesTheResponderOnceAndTurnsNothing) {
  auto responder = std::make_shared<TapCounter>();
  view->setResponder(responder);
  view->touchesBegan(at(50, 50));
  view->touchesEnded(at(50, 50));
  EXPECT_EQ(responder->taps, 1);
  EXPECT_EQ(view->rotatedirection.x, 0);
  EXPECT_EQ(view->rotatedirection.y, 0);
  drag(10, 10, 60, 10);
  EXPECT_EQ(responder->taps, 1);  // a drag is not a tap
  responder.reset();              // a responder that is gone is not messaged
  view->touchesBegan(at(5, 5));
  view->touchesEnded(at(5, 5));
}

TEST_F(TouchNavigationTest, DragsTurnTheOffsetsAndThePitchIsPinned) {
  drag(100, 0, 100, 100);
  EXPECT_FLOAT_EQ(view->rotatedirection.y, -50);
  EXPECT_NEAR(view->getRotationY(), 33.333f, 1e-3);
  drag(0, 0, 0, 10000);
  EXPECT_EQ(view->rotatedirection.y, -135);
  drag(0, 10000, 0, -20000);
  EXPECT_EQ(view->rotatedirection.y, 135);

  drag(0, 0, 40, 0);
  EXPECT_FLOAT_EQ(view->rotatedirection.x, 20);
  view->setInterfaceOrientation(4);  // in motion navigation a landscape-right drag turns the other way
  drag(0, 0, 40, 0);
  EXPECT_FLOAT_EQ(view->rotatedirection.x, 0);
  view->setNavigationMode(1);
  drag(0, 0, 40, 0);
  EXPECT_FLOAT_EQ(view->rotatedirection.x, 20);
}

TEST_F(TouchNavigationTest, AutoLevelEasesThePitchBackAfterThePause) {
  view->setAutoLevel(true, 2.5f);
  view->touchesBegan(at(0, 0));
  view->touchesMoved(at(0, 60));  // rotatedirection.y = -30
  view->touchesEnded(at(0, 60));
  view->run();
  RunLoop::main().runFor(2.4);
  EXPECT_FLOAT_EQ(view->rotatedirection.y, -30);  // not yet
  EXPECT_FALSE(view->movetimer);
  RunLoop::main().runFor(0.2);  // a frame after the delay starts the easing
  ASSERT_TRUE(view->movetimer);
  float first = view->rotatedirection.y;
  EXPECT_LT(first, 0);
  RunLoop::main().runFor(1.0);
  EXPECT_GT(view->rotatedirection.y, first);  // on its way back
  EXPECT_LT(view->rotatedirection.y, 0);
  RunLoop::main().runFor(1.2);
  EXPECT_EQ(view->rotatedirection.y, 0);
  view->halt();
}
