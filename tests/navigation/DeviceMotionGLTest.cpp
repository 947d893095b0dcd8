#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "qv/os/Environment.h"
#include "qv/os/MotionSources.h"
#include "qv/os/RunLoop.h"
#include "tests/support/ViewTestSupport.h"

using namespace qv;

namespace {

class DeviceMotionGLTest : public ::testing::Test {
 protected:
  void SetUp() override { RunLoop::main().useManualClock(0.0); }
  void TearDown() override {
    view.reset();
    uninstallMotionSources();
    std::filesystem::remove(tracePath);
    Environment::current().reset();
    RunLoop::main().useRealClock();
  }
  // Installs a trace (CSV text) as the device's motion and makes a view that follows it.
  void deviceMoves(const std::string& csv) {
    std::ofstream(tracePath) << csv;
    ASSERT_TRUE(installMotionSources(tracePath));
    view = makeLaidOutView(160, 160, /*touchOnly=*/false);
    view->setFieldOfView(90);
    view->setImage(ColourCodedPanorama::make());
  }
  // Advances the clock by `seconds` with a frame every 1/60 s.
  void play(double seconds) {
    for (int i = 0; i < int(std::lround(seconds * 60)); ++i) {
      RunLoop::main().runFor(1.0 / 60);
      view->update();
    }
  }
  RGB centre() { return framePixel(*view, 80, 80); }

  std::string tracePath = (std::filesystem::temp_directory_path() / "qv-device-motion-test.csv").string();
  std::shared_ptr<QVViewGL> view;
};

// Upright but 10 degrees short, so yaw and roll stay distinct.
constexpr const char* kUpright = "1.3962634";

}  // namespace

TEST_F(DeviceMotionGLTest, TurningTheDeviceTurnsTheView) {
  deviceMoves(std::string("time,pitch,yaw,roll\n0,") + kUpright + ",0,0\n1," + kUpright + ",1.5707963,0\n");
  play(0.05);
  EXPECT_EQ(centre(), ColourCodedPanorama::band(0));
  play(1.0);  // turned 90 degrees to the left
  EXPECT_EQ(centre(), ColourCodedPanorama::band(-90));
}

TEST_F(DeviceMotionGLTest, PitchAndRollOfTheDevice) {
  deviceMoves(std::string("time,pitch,yaw,roll\n0,0,0,0\n1,") + kUpright +
              ",0,0\n2,0,0,0\n3,0,0,1.5707963\n");
  play(0.05);
  EXPECT_EQ(centre(), ColourCodedPanorama::kNadir);  // lying face up, the view looks down
  play(1.0);
  EXPECT_EQ(centre(), ColourCodedPanorama::band(0));                // raised upright: straight ahead
  EXPECT_EQ(framePixel(*view, 80, 5), framePixel(*view, 80, 155));  // level: one band above and below
  play(2.0);  // laid down again and rolled onto its long edge: the horizon runs up the screen
  EXPECT_EQ(centre(), ColourCodedPanorama::band(-90));
  EXPECT_EQ(framePixel(*view, 5, 80), framePixel(*view, 155, 80));
  EXPECT_NE(framePixel(*view, 80, 5), framePixel(*view, 80, 155));
}

TEST_F(DeviceMotionGLTest, ResetViewMakesTheCurrentDirectionStraightAhead) {
  deviceMoves(std::string("time,pitch,yaw,roll\n0,") + kUpright + ",0,0\n1," + kUpright + ",1.5707963,0\n");
  play(1.05);
  ASSERT_EQ(centre(), ColourCodedPanorama::band(-90));
  view->setRotationX(30);
  view->setRotationY(-20);
  view->resetView();
  EXPECT_EQ(view->touch().yawOffset(), 0);
  EXPECT_EQ(view->touch().pitchOffset(), 0);
  play(0.05);
  EXPECT_EQ(centre(), ColourCodedPanorama::band(0));
}

TEST_F(DeviceMotionGLTest, TouchOnlyNavigationFreezesTheCameraAgainstTheDevice) {
  deviceMoves(std::string("time,pitch,yaw,roll\n0,") + kUpright + ",0,0\n2," + kUpright + ",3.1415926,0\n");
  play(0.05);
  view->setNavigationMode(1);
  play(0.5);
  RGB frozen = centre();
  play(0.5);
  EXPECT_EQ(centre(), frozen);
  float base = view->frameLoop().cameraRig().yawBase();
  view->setNavigationMode(0);  // follows the device again: turned 90 degrees by now
  play(0.05);
  EXPECT_EQ(centre(), ColourCodedPanorama::band(-90));
  EXPECT_EQ(view->frameLoop().cameraRig().yawBase(), base);
}

TEST_F(DeviceMotionGLTest, UpAndDownClampInLandscape) {
  deviceMoves("time,pitch,yaw,roll\n0,0,0,-2.6179939\n1,0,0,0.5235988\n2,0,0,-1.5707963\n");
  Environment::current().setDeviceOrientation(3);
  view->clampViewAngleUp(120, 60);
  play(0.05);
  EXPECT_NEAR(view->motion().clampedRoll() * 180 / M_PI, 120, 1e-3);  // 150 degrees up is held at 120
  play(1.0);
  EXPECT_NEAR(view->motion().clampedRoll() * 180 / M_PI, -60, 1e-3);  // 30 degrees down becomes 60
  play(1.0);
  EXPECT_NEAR(view->motion().clampedRoll() * 180 / M_PI, 90, 1e-3);  // inside the band: left alone
  EXPECT_EQ(view->motion().lastUsableOrientation(), 3);
}

TEST_F(DeviceMotionGLTest, AccelerometerDeviceFollowsTheCompassAndStartsDefined) {
  deviceMoves("time,ax,ay,az,heading\n0,0,-1,0,0\n1,0,-1,0,90\n");
  ASSERT_TRUE(view->motion().accelerometerMode());
  view->update();  // before the filter has settled: identity matrix, a defined picture
  const GLfloat* device = view->frameLoop().cameraRig().lastDeviceMatrix();
  for (int i = 0; i < 16; ++i) EXPECT_TRUE(std::isfinite(device[i]));
  EXPECT_NE(centre(), (RGB{0, 0, 0}));
  play(0.1);
  RGB before = centre();
  play(2.0);  // held still while the heading turns from north to east
  EXPECT_NE(centre(), before);
}
