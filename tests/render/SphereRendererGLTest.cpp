#include <gtest/gtest.h>

#include <cmath>

#include "qv/os/Environment.h"
#include "qv/os/Image.h"
#include "qv/os/RunLoop.h"
#include "tests/support/ViewTestSupport.h"

using namespace qv;

namespace {

class SphereRendererGLTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RunLoop::main().useManualClock(100.0);
    view = makeLaidOutView(256, 256);
    view->setFieldOfView(90);
    view->setImage(ColourCodedPanorama::make());
  }
  void TearDown() override {
    view.reset();
    RunLoop::main().useRealClock();
    Environment::current().reset();
  }
  RGB centre() { return framePixel(*view, 128, 128); }
  std::shared_ptr<QVViewGL> view;
};

::testing::AssertionResult sameColour(RGB actual, RGB expected) {
  for (int i = 0; i < 3; ++i)
    if (std::abs(int(actual[i]) - int(expected[i])) > 2)
      return ::testing::AssertionFailure()
             << "got (" << int(actual[0]) << "," << int(actual[1]) << "," << int(actual[2]) << ") expected ("
             << int(expected[0]) << "," << int(expected[1]) << "," << int(expected[2]) << ")";
  return ::testing::AssertionSuccess();
}

}  // namespace

TEST_F(SphereRendererGLTest, LooksWhereTheYawPointsAroundTheHorizon) {
  for (float yaw : {0.f, 45.f, 90.f, 135.f, 180.f, -90.f, -45.f}) {
    view->setRotationX(yaw);
    view->update();
    EXPECT_TRUE(sameColour(centre(), ColourCodedPanorama::band(yaw))) << "yaw " << yaw;
  }
}

TEST_F(SphereRendererGLTest, LeftAndRightAreNotSwappedAndTheHorizonIsLevel) {
  view->setRotationX(0);
  view->update();
  // With a 90-degree field of view on a square view, x = 30 looks about 40 degrees left, x = 226 right.
  EXPECT_TRUE(sameColour(framePixel(*view, 30, 128), ColourCodedPanorama::band(-45)));
  EXPECT_TRUE(sameColour(framePixel(*view, 226, 128), ColourCodedPanorama::band(45)));
  // The same band straight above and below the centre on a level horizon.
  EXPECT_TRUE(sameColour(framePixel(*view, 128, 60), ColourCodedPanorama::band(0)));
  EXPECT_TRUE(sameColour(framePixel(*view, 128, 196), ColourCodedPanorama::band(0)));
}

TEST_F(SphereRendererGLTest, ScreenWithoutBoundsStillGivesAFiniteYaw) {
  Environment::current().setScreen(QVRect{}, 0.0);
  view->setRotationX(90);
  EXPECT_TRUE(std::isfinite(view->getRotationX()));
  EXPECT_NEAR(view->getRotationX(), 90, 1e-4);
  view->update();
  EXPECT_TRUE(sameColour(centre(), ColourCodedPanorama::band(90)));
}

TEST_F(SphereRendererGLTest, InjectedImageSkipsOneFrameAndShowsFromTheNext) {
  std::vector<uint8_t> grey(64 * 32 * 4, 90);
  for (size_t i = 3; i < grey.size(); i += 4) grey[i] = 255;
  view->update();
  RGB before = centre();
  view->injectImage(Image::fromRGBA(64, 32, std::vector<uint8_t>(64 * 32 * 4, 10)));
  view->injectImage(Image::fromRGBA(64, 32, std::move(grey)));  // only the newest is kept
  view->update();                                               // uploads, draws nothing
  EXPECT_EQ(centre(), before);
  view->update();
  EXPECT_TRUE(sameColour(centre(), RGB{90, 90, 90}));
}

TEST_F(SphereRendererGLTest, UnknownLayoutPresentsABlackFrame) {
  view->update();
  view->setViewMode(9, 2.0f);
  view->update();
  EXPECT_EQ(centre(), (RGB{0, 0, 0}));
}

TEST_F(SphereRendererGLTest, ImageWiderThanOneTextureIsShownAndNoImageKeepsIt) {
  EXPECT_TRUE(view->setImage(ColourCodedPanorama::make()));
  view->update();
  EXPECT_NE(centre(), (RGB{255, 255, 255}));
  EXPECT_TRUE(view->setImage(Image::fromRGBA(16385, 1, std::vector<uint8_t>(16385 * 4, 255))));
  EXPECT_FALSE(view->setImage(nullptr));
  view->update();
  EXPECT_EQ(centre(), (RGB{255, 255, 255}));
}
