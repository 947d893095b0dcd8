// On a screen whose scale is not 1 the drawable has scale x scale pixels per point: the picture fills all
// of it, and each point shows what a scale-1 view shows there.
#include <gtest/gtest.h>

#include "qv/os/Environment.h"
#include "qv/os/RunLoop.h"
#include "tests/support/ViewTestSupport.h"

using namespace qv;

namespace {

constexpr int kWidth = 64, kHeight = 40;  // points

class ScreenScaleGLTest : public ::testing::Test {
 protected:
  void SetUp() override { RunLoop::main().useManualClock(5.0); }
  void TearDown() override {
    Environment::current().reset();
    RunLoop::main().useRealClock();
  }
  static std::shared_ptr<QVViewGL> render(double scale, bool stereo) {
    Environment::current().setScreen(QVRect{0, 0, kWidth, kHeight}, scale);
    auto view = makeLaidOutView(kWidth, kHeight);
    view->setImage(ColourCodedPanorama::make());
    view->setRotationX(20);
    view->setRotationY(50);
    view->setStereo(stereo);
    view->update();
    return view;
  }
};

}  // namespace

TEST_F(ScreenScaleGLTest, ThePictureFillsTheDrawableAtScale2And3) {
  for (bool stereo : {false, true}) {
    auto reference = render(1, stereo);
    for (int scale : {2, 3}) {
      auto view = render(scale, stereo);
      ASSERT_EQ(view->drawable().width(), kWidth * scale);
      // Compare the middle pixel of each point where the scale-1 picture is flat around it (edges between
      // colours may fall either side at a finer resolution).
      int compared = 0, differing = 0;
      for (int y = 1; y + 1 < kHeight; ++y)
        for (int x = 1; x + 1 < kWidth; ++x) {
          const RGB c = framePixel(*reference, x, y);
          bool flat = true;
          for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) flat = flat && framePixel(*reference, x + dx, y + dy) == c;
          if (!flat) continue;
          ++compared;
          differing += framePixel(*view, x * scale + scale / 2, y * scale + scale / 2) != c;
        }
      EXPECT_GT(compared, kWidth * kHeight / 2);
      EXPECT_EQ(differing, 0) << "scale " << scale << (stereo ? ", stereo" : "");
    }
  }
}
