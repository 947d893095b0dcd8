// Navigation as the user sees it, on rendered frames: a device without motion sensors and an
// accelerometer that misses samples.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "qv/os/Environment.h"
#include "qv/os/MotionManager.h"
#include "qv/os/OffscreenLayer.h"
#include "qv/os/RunLoop.h"
#include "tests/support/ViewTestSupport.h"

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
