// The camera looks from the centre of the panorama sphere: a view at (yaw, pitch, fov) shows each direction
// where the ideal rectilinear view from the centre puts it. Measured on the edges of the colour-coded
// panorama (the zenith and nadir caps at 60 degrees, the yaw bands every 45 degrees).
#include <gtest/gtest.h>

#include <cmath>

#include "qv/os/RunLoop.h"
#include "tests/support/ViewTestSupport.h"

using namespace qv;

namespace {

constexpr int kSize = 480;  // a square view: the focal length is the same both ways
constexpr double kDegrees = 180.0 / M_PI;

class CameraCompositionGLTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RunLoop::main().useManualClock(5.0);
    view = makeLaidOutView(kSize, kSize);
    view->setImage(ColourCodedPanorama::make(4096, 2048));
  }
  void TearDown() override {
    view.reset();
    RunLoop::main().useRealClock();
  }
  void look(float yaw, float pitch, float fov) {
    view->setRotationX(yaw);
    view->setRotationY(pitch);
    view->setFieldOfView(fov);
    view->update();
    focal = kSize / 2.0 / std::tan(fov / 2 / kDegrees);
  }
  // The angle from the view's centre line of the first pixel edge from `from` (along the middle column,
  // or row when `horizontal`) where the colour stops being `inside`; degrees, positive up or right.
  double edgeAngle(RGB inside, int from, int step, bool horizontal) {
    for (int i = from; i >= 0 && i < kSize; i += step) {
      const RGB c = horizontal ? framePixel(*view, i, kSize / 2) : framePixel(*view, kSize / 2, i);
      if (c == inside) continue;
      const double edge = step > 0 ? i : i + 1;  // the pixel boundary crossed
      const double offset = horizontal ? edge - kSize / 2.0 : kSize / 2.0 - edge;
      return std::atan(offset / focal) * kDegrees;
    }
    ADD_FAILURE() << "no edge";
    return 0;
  }

  std::shared_ptr<QVViewGL> view;
  double focal = 1;  // pixels
};

}  // namespace

TEST_F(CameraCompositionGLTest, PitchedViewsShowTheCapsAtTheirTrueElevation) {
  struct Case {
    float pitch, fov;
  };
  for (Case c : {Case{30, 75}, Case{55, 20}, Case{45, 40}}) {
    look(0, c.pitch, c.fov);
    // Scanning up from the centre, the band ends at 60 degrees of elevation.
    const RGB band = framePixel(*view, kSize / 2, kSize / 2);
    EXPECT_NEAR(c.pitch + edgeAngle(band, kSize / 2, -1, false), 60, 0.25) << "pitch " << c.pitch;
    look(0, -c.pitch, c.fov);
    EXPECT_NEAR(-c.pitch + edgeAngle(band, kSize / 2, 1, false), -60, 0.25) << "pitch " << -c.pitch;
  }
}

TEST_F(CameraCompositionGLTest, TurnedViewsShowTheBandsAtTheirTrueYaw) {
  for (float fov : {30.0f, 60.0f, 100.0f}) {
    look(10, 0, fov);
    // Yaw 0's band ends at 22.5 degrees: 12.5 degrees right of the centre line.
    EXPECT_NEAR(edgeAngle(ColourCodedPanorama::band(0), kSize / 2, 1, true), 12.5, 0.25) << "fov " << fov;
    look(-15, 0, fov);
    EXPECT_NEAR(edgeAngle(ColourCodedPanorama::band(0), kSize / 2, -1, true), -7.5, 0.25) << "fov " << fov;
  }
}
