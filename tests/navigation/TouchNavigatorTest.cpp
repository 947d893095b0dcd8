#include "qv/navigation/TouchNavigator.h"

#include <gtest/gtest.h>

#include <cmath>

#include "qv/core/QVViewResponder.h"
#include "qv/os/MotionManager.h"
#include "qv/os/RunLoop.h"
#include "tests/support/ViewTestSupport.h"

using namespace qv;

namespace {

// A device with fused motion that always reports the same upright attitude.
class SteadyDevice : public NullMotionManager {
 public:
  bool isDeviceMotionAvailable() const override { return true; }
  std::optional<DeviceMotion> deviceMotion() const override { return DeviceMotion{}; }
};

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
      touch.touchesMoved(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps,
                         DragGeometry{.flipYaw = flipYaw});
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
  EXPECT_EQ(responder->taps, 1);  // a drag is not a tap
  EXPECT_GT(view->touch().yawOffset(), 0);
  responder.reset();  // a responder that is gone is not messaged
  view->touchesBegan(at(5, 5));
  view->touchesEnded(at(5, 5));
}

TEST_F(TouchNavigatorTest, LandscapeRightTurnsTheOtherWayOnlyWhileTheDeviceSteers) {
  // One frame in interface orientation 4 (it polls the motion source), then a drag to the right.
  auto dragRight = [](QVViewGL& view) {
    auto at = [&](double x) { return std::vector<QVViewGL::Touch>{{x, 50, &view}}; };
    view.setInterfaceOrientation(4);
    view.update();
    view.touchesBegan(at(10));
    view.touchesMoved(at(60));
    view.touchesEnded(at(60));
    return view.touch().yawOffset();
  };
  auto still = makeLaidOutView(200, 100, /*touchOnly=*/false);
  const float touchOnly = dragRight(*still);  // no motion source: navigated by touch alone
  EXPECT_GT(touchOnly, 0);
  MotionManager::setFactory([] { return std::make_shared<SteadyDevice>(); });
  auto steered = makeLaidOutView(200, 100, /*touchOnly=*/false);
  MotionManager::setFactory({});
  EXPECT_FLOAT_EQ(dragRight(*steered), -touchOnly);
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
  touch.touchesMoved(0, 60, DragGeometry{});  // no view size: half a drag unit per point, pitch offset -30
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

TEST_F(TouchNavigatorTest, SettersAreMovesAndTheLevelPitchIsLeftAlone) {
  touch.setAutoLevel(true, 2.5f);
  touch.setRotationY(20);
  for (int frame = 0; frame < 60; ++frame) {  // a second of frames: nothing undoes the host's setting
    RunLoop::main().runFor(1.0 / 60);
    touch.autoLevelIfDue();
  }
  EXPECT_FLOAT_EQ(touch.getRotationY(), 20);
  RunLoop::main().runFor(1.6);
  touch.autoLevelIfDue();  // 2.6 s after the setter
  ASSERT_TRUE(touch.isEasing());
  touch.setRotationX(10, 1);  // a setter stops the easing where it is
  EXPECT_FALSE(touch.isEasing());
  const float held = touch.getRotationY();
  RunLoop::main().runFor(2.4);
  touch.autoLevelIfDue();
  EXPECT_FLOAT_EQ(touch.getRotationY(), held);
  RunLoop::main().runFor(0.2);
  touch.autoLevelIfDue();
  RunLoop::main().runFor(2.1);  // 60 steps of 1/30 s
  EXPECT_EQ(touch.pitchOffset(), 0);
  // Level now: the next frames start no new easing, so the setter that follows is not undone.
  touch.autoLevelIfDue();
  EXPECT_FALSE(touch.isEasing());
  touch.setRotationY(-15);
  RunLoop::main().runFor(1.0);
  touch.autoLevelIfDue();
  EXPECT_FLOAT_EQ(touch.getRotationY(), -15);
}

namespace {

// A 200 x 100 point view at 75 degrees, one drag unit per degree of yaw.
constexpr DragGeometry kView{.width = 200, .height = 100, .fieldOfView = 75, .yawUnits = 1};
const double kFocal = 50 / std::tan(37.5 * M_PI / 180);  // points

// Drags along the horizontal centre line so that the grabbed direction turns `stepDegrees` every 1/60 s,
// `steps` times, and lets go at once; the yaw offset (degrees) at release.
float flick(TouchNavigator& touch, double stepDegrees, int steps) {
  auto x = [&](int i) { return 100 + kFocal * std::tan(i * stepDegrees * M_PI / 180); };
  touch.touchesBegan(x(0), 50);
  for (int i = 1; i <= steps; ++i) {
    RunLoop::main().runFor(1.0 / 60);
    touch.touchesMoved(x(i), 50, kView);
  }
  touch.touchesEnded(x(steps), 50);
  return touch.yawOffset();
}

}  // namespace

TEST_F(TouchNavigatorTest, AFlickCoastsOnAndDecaysExponentially) {
  const float released = flick(touch, 2, 12);  // 120 degrees a second
  EXPECT_NEAR(released, 24, 1e-3);             // pointer-true up to the release
  ASSERT_TRUE(touch.isCoasting());
  // The coast's position is v tau (1 - e^(-t / tau)): v about 120 degrees a second, tau 0.15 s.
  const double v = 120 * (1 - std::pow(0.5, 11)), tau = 0.15;
  for (double t : {3.0 / 60, 9.0 / 60, 30.0 / 60}) {
    RunLoop::main().runFor(t - (RunLoop::main().now() - (50 + 12.0 / 60)) + 1e-7);
    EXPECT_NEAR(touch.yawOffset() - released, v * tau * (1 - std::exp(-t / tau)), 1e-2) << "at " << t << " s";
  }
  RunLoop::main().runFor(0.5);  // at rest within a second
  EXPECT_FALSE(touch.isCoasting());
  EXPECT_NEAR(touch.yawOffset() - released, v * tau, 0.1);

  flick(touch, 2, 12);
  RunLoop::main().runFor(2.0 / 60);
  touch.touchesBegan(100, 50);  // a new touch stops the coast at once
  EXPECT_FALSE(touch.isCoasting());
  const float stopped = touch.yawOffset();
  RunLoop::main().runFor(0.5);
  EXPECT_EQ(touch.yawOffset(), stopped);
  touch.touchesEnded(100, 50);
}

TEST_F(TouchNavigatorTest, SlowOrPausedReleasesAndDisabledInertiaDoNotCoast) {
  flick(touch, 0.1, 12);  // 6 degrees a second: a slow drag stops where it is let go
  EXPECT_FALSE(touch.isCoasting());
  touch.touchesBegan(100, 50);
  RunLoop::main().runFor(1.0 / 60);
  touch.touchesMoved(140, 50, kView);
  RunLoop::main().runFor(0.2);  // held still before letting go
  touch.touchesEnded(140, 50);
  EXPECT_FALSE(touch.isCoasting());
  touch.setInertia(false);
  flick(touch, 2, 12);
  EXPECT_FALSE(touch.isCoasting());
}

TEST_F(TouchNavigatorTest, PinchZoomsWithinTheLimitsAroundItsCentre) {
  // Fingers 40 points apart, centred on (150, 50), spread to 80: the view narrows to half the tangent.
  EXPECT_FALSE(touch.pinchMoved(130, 50, 170, 50, kView));
  auto fov = touch.pinchMoved(110, 50, 190, 50, kView);
  ASSERT_TRUE(fov);
  EXPECT_NEAR(*fov, 2 * std::atan(std::tan(37.5 * M_PI / 180) / 2) * 180 / M_PI, 1e-3);
  // The direction under the pinch centre (50 points right of the view's centre) stays under it.
  const double before = std::atan(50 / kFocal) * 180 / M_PI;
  const double after = std::atan(50 / (50 / std::tan(*fov / 2 * M_PI / 180))) * 180 / M_PI;
  EXPECT_NEAR(touch.yawOffset(), after - before, 1e-3);
  DragGeometry narrow = kView;
  narrow.fieldOfView = *fov;
  EXPECT_EQ(touch.pinchMoved(70, 50, 230, 50, narrow).value_or(-1), 30.0f);  // the default limits: 30 to 110
  EXPECT_FALSE(touch.touchesEnded(230, 50));                                 // a pinch is never a tap

  touch.setZoomLimits({50, 90});
  EXPECT_EQ(touch.zoom(4, 100, 50, kView), 90.0f);
  EXPECT_EQ(touch.zoom(0.25f, 100, 50, kView), 50.0f);
}
