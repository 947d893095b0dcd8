// Navigation as the user sees it, on rendered frames: a device without motion sensors, an accelerometer
// that misses samples, a host's setter under auto-level, and zooming about the pointer.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "qv/os/Environment.h"
#include "qv/os/MotionManager.h"
#include "qv/os/OffscreenLayer.h"
#include "qv/os/RunLoop.h"
#include "tests/support/ViewTestSupport.h"

using namespace qv;

namespace {

// An accelerometer-only device held still and upright, sampled on the run loop's clock. With `gaps`, every
// third read fails (as a sensor read can), reporting no sample.
class StillAccelerometer : public NullMotionManager {
 public:
  explicit StillAccelerometer(bool gaps) : gaps_(gaps) {}
  std::optional<AccelerometerData> accelerometerData() const override {
    if (gaps_ && ++reads_ % 3 == 0) return std::nullopt;
    return AccelerometerData{0, -1, 0, RunLoop::main().now()};
  }

 private:
  bool gaps_;
  mutable int reads_ = 0;
};

// A device whose motion source starts but never reports.
class SilentDevice : public NullMotionManager {
 public:
  bool isDeviceMotionAvailable() const override { return true; }
};

class NavigationGLTest : public ::testing::Test {
 protected:
  void SetUp() override { RunLoop::main().useManualClock(20.0); }
  void TearDown() override {
    MotionManager::setFactory({});
    RunLoop::main().useRealClock();
  }
  static std::shared_ptr<QVViewGL> show(std::shared_ptr<QVViewGL> view) {
    view->setImage(ColourCodedPanorama::make());
    view->setFieldOfView(90);
    return view;
  }
  static std::vector<uint8_t> frame(QVViewGL& view) {
    view.update();
    return static_cast<OffscreenLayer&>(*view.layer()).lastFrame();
  }
  // Frames every 1/60 s for `seconds`.
  static void play(QVViewGL& view, double seconds) {
    for (int i = 0; i < int(std::lround(seconds * 60)); ++i) {
      RunLoop::main().runFor(1.0 / 60);
      view.update();
    }
  }
};

}  // namespace

TEST_F(NavigationGLTest, WithoutMotionSamplesTheViewIsNavigatedByTouch) {
  auto touchOnly = show(makeLaidOutView(96, 96));
  const auto expected = frame(*touchOnly);
  EXPECT_EQ(framePixel(*touchOnly, 48, 48), ColourCodedPanorama::band(0));  // straight ahead, not the floor
  for (bool silentSource : {false, true}) {
    if (silentSource) MotionManager::setFactory([] { return std::make_shared<SilentDevice>(); });
    auto view = show(makeLaidOutView(96, 96, /*touchOnly=*/false));
    EXPECT_EQ(frame(*view), expected) << (silentSource ? "a source that never reports" : "no sensors");
    view->setRotationY(20);
    touchOnly->setRotationY(20);
    EXPECT_EQ(frame(*view), frame(*touchOnly));
    touchOnly->setRotationY(0);
  }
}

TEST_F(NavigationGLTest, StereoWithoutMotionSamplesShowsTheTouchViewToEachEye) {
  auto mono = show(makeLaidOutView(80, 96));
  mono->setRotationX(30);
  mono->update();
  auto pair = show(makeLaidOutView(160, 96, /*touchOnly=*/false));
  pair->setRotationX(30);
  pair->setStereo(true);
  pair->update();
  // Each eye shows the mono picture of its half, upright (not rolled by a quarter turn).
  int differing = 0;
  for (int y = 0; y < 96; ++y)
    for (int x = 0; x < 80; ++x) {
      differing += framePixel(*pair, x, y) != framePixel(*mono, x, y);
      differing += framePixel(*pair, 80 + x, y) != framePixel(*mono, x, y);
    }
  EXPECT_EQ(differing, 0);
}

TEST_F(NavigationGLTest, MissingAccelerometerSamplesChangeNothing) {
  MotionManager::setFactory([] { return std::make_shared<StillAccelerometer>(false); });
  auto steady = show(makeLaidOutView(96, 96, /*touchOnly=*/false));
  MotionManager::setFactory([] { return std::make_shared<StillAccelerometer>(true); });
  auto gapped = show(makeLaidOutView(96, 96, /*touchOnly=*/false));
  ASSERT_TRUE(gapped->motion().accelerometerMode());
  for (int second = 0; second < 3; ++second) {
    for (int tick = 0; tick < 60; ++tick) {
      RunLoop::main().runFor(1.0 / 60);
      steady->update();
      gapped->update();
    }
    int differing = 0;
    for (int y = 0; y < 96; y += 4)
      for (int x = 0; x < 96; x += 4) differing += framePixel(*steady, x, y) != framePixel(*gapped, x, y);
    EXPECT_EQ(differing, 0) << "after " << second + 1 << " s";
  }
  EXPECT_EQ(framePixel(*gapped, 48, 48), framePixel(*steady, 48, 48));
}

TEST_F(NavigationGLTest, AHostsPitchSurvivesTheAutoLevelDelay) {
  auto view = show(makeLaidOutView(96, 96));
  view->setAutoLevel(true, 2.5f);
  play(*view, 2.0);  // the first, motionless auto-level has levelled nothing
  view->setRotationY(-70);
  play(*view, 1.0);
  EXPECT_NEAR(view->getRotationY(), -70, 1e-4);
  EXPECT_EQ(framePixel(*view, 48, 48), ColourCodedPanorama::kNadir);
  play(*view, 4.0);  // a pause long enough: eased back to the horizon
  EXPECT_EQ(view->getRotationY(), 0);
  EXPECT_EQ(framePixel(*view, 48, 48), ColourCodedPanorama::band(0));
}

TEST_F(NavigationGLTest, ZoomKeepsThePointUnderThePointer) {
  auto view = show(makeLaidOutView(200, 100));
  view->setFieldOfView(75);
  view->update();
  // The first band edge right of the centre on the middle row.
  auto edgeRightOf = [&](int x0) {
    for (int x = x0; x < 199; ++x)
      if (framePixel(*view, x, 50) != framePixel(*view, x + 1, 50)) return x;
    return -1;
  };
  const int edge = edgeRightOf(100);
  ASSERT_GT(edge, 110);
  view->zoom(0.5f, edge, 50);  // zoom in about the edge
  EXPECT_LT(view->fieldOfView(), 75);
  view->update();
  EXPECT_NEAR(edgeRightOf(edge - 3), edge, 1);
  auto at = [&](double x0, double x1) {
    return std::vector<QVViewGL::Touch>{{x0, 50, view.get()}, {x1, 50, view.get()}};
  };
  // A pinch closing about the edge widens the view and keeps the edge where it is.
  const float before = view->fieldOfView();
  view->touchesMoved(at(edge - 40, edge + 40));
  view->touchesMoved(at(edge - 30, edge + 30));
  view->touchesEnded(at(edge - 30, edge + 30));
  EXPECT_GT(view->fieldOfView(), before);
  view->update();
  EXPECT_NEAR(edgeRightOf(edge - 3), edge, 1);
}
