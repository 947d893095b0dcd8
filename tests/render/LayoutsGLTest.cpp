// Every content layout drawn through the real frame loop on llvmpipe, checked by the pixels presented.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <limits>

#include "qv/core/QVObjectFactory.h"
#include "qv/media/QVAsset.h"
#include "qv/os/Environment.h"
#include "qv/os/GLES.h"
#include "qv/os/Image.h"
#include "qv/os/MotionManager.h"
#include "qv/os/OffscreenLayer.h"
#include "qv/os/PixelBuffer.h"
#include "qv/os/RunLoop.h"
#include "qv/platform/QVContext.h"
#include "tests/support/GLTestSupport.h"
#include "tests/support/HostAsset.h"
#include "tests/support/ViewTestSupport.h"

using namespace qv;

namespace {

using Pattern = std::function<RGB(int x, int y, int w, int h)>;

// A device with fused motion holding one attitude.
class FixedAttitude : public NullMotionManager {
 public:
  explicit FixedAttitude(Attitude attitude) : attitude_(attitude) {}
  bool isDeviceMotionAvailable() const override { return true; }
  std::optional<DeviceMotion> deviceMotion() const override { return DeviceMotion{attitude_, 0, 0, 0, 1}; }

 private:
  Attitude attitude_;
};

std::shared_ptr<Image> imageOf(int w, int h, const Pattern& pattern) {
  std::vector<uint8_t> rgba;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      RGB c = pattern(x, y, w, h);
      rgba.insert(rgba.end(), {c[0], c[1], c[2], 255});
    }
  return Image::fromRGBA(w, h, std::move(rgba));
}

std::shared_ptr<PixelBuffer> frameOf(int w, int h, const Pattern& pattern) {
  auto buffer = PixelBuffer::create(w, h);
  imageOf(w, h, pattern)->copyPremultipliedBGRA(buffer->baseAddress(), buffer->bytesPerRow());
  return buffer;
}

// Colour-coded longitude and latitude with a fine checker, so any wrong turn or offset changes many pixels.
RGB panorama(int x, int y, int w, int h) {
  return RGB{uint8_t(x * 255 / w), uint8_t(y * 255 / h), uint8_t((x / 8 + y / 8) % 2 * 255)};
}

constexpr RGB kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255};
Pattern solid(RGB c) {
  return [c](int, int, int, int) { return c; };
}

// A presented frame, top row first.
struct Frame {
  int w = 0, h = 0;
  std::vector<uint8_t> rgba;
  const uint8_t* at(int x, int y) const { return &rgba[(size_t(y) * w + x) * 4]; }
  // The dominant channel of a pixel of one of the pure test colours, '0' for black, '?' for any other.
  char hue(int x, int y) const {
    const uint8_t* c = at(x, y);
    if (c[0] == 0 && c[1] == 0 && c[2] == 0) return '0';
    for (int k = 0; k < 3; ++k)
      if (c[k] > 200 && c[(k + 1) % 3] < 60 && c[(k + 2) % 3] < 60) return "rgb"[k];
    return '?';
  }
};

// Pixels of `a` (columns ax.., width w) that differ from `b` (columns bx..) by more than 2 in a channel.
int differingPixels(const Frame& a, int ax, const Frame& b, int bx, int w) {
  int count = 0;
  for (int y = 0; y < a.h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t *p = a.at(ax + x, y), *q = b.at(bx + x, y);
      count += std::abs(p[0] - q[0]) > 2 || std::abs(p[1] - q[1]) > 2 || std::abs(p[2] - q[2]) > 2;
    }
  return count;
}

class LayoutsGLTest : public ::testing::Test {
 protected:
  void SetUp() override { RunLoop::main().useManualClock(10.0); }
  void TearDown() override {
    RunLoop::main().useRealClock();
    MotionManager::setFactory({});
    Environment::current().reset();
  }

  std::shared_ptr<QVViewGL> makeView(int w, int h) {
    Environment::current().setScreen(QVRect{0, 0, double(w), double(h)}, 1.0);
    return makeLaidOutView(w, h, false);
  }
  // A view showing one video frame of `pattern` through the single-texture path.
  std::shared_ptr<QVViewGL> makeVideoView(int w, int h, int fw, int fh, const Pattern& pattern) {
    auto view = makeView(w, h);
    view->displayAsset(std::make_shared<HostAsset>());
    view->onImageBuffer(frameOf(fw, fh, pattern).get(), 0, 0, fw, fh);
    return view;
  }
  Frame draw(QVViewGL& view) {
    view.update();
    Frame f;
    f.rgba = static_cast<OffscreenLayer&>(*view.layer()).lastFrame(&f.w, &f.h);
    return f;
  }

  LogCapture log;  // keeps the views' log lines out of the output
};

}  // namespace

TEST_F(LayoutsGLTest, EachEyeOfAStillImagePairMatchesAMonoRenderOfHalfTheWidth) {
  auto picture = imageOf(256, 128, panorama);
  auto turned = [&](int w, int h) {
    auto view = makeView(w, h);
    view->setImage(picture);
    view->setRotationY(60);
    return view;
  };
  // Even, odd (the last column stays black) and narrower than two pixels (both eyes one pixel wide).
  for (auto [w, h] : {std::pair{128, 64}, std::pair{129, 64}, std::pair{1, 16}}) {
    const int eye = std::max(w / 2, 1);
    Frame reference = draw(*turned(eye, h));
    // Still images go whole to both eyes whatever the layout says about stereo content.
    for (int mode : {0, 3, 4}) {
      auto pair = turned(w, h);
      pair->setViewMode(mode, 2.0f);
      pair->setStereo(true);
      Frame f = draw(*pair);
      SCOPED_TRACE(testing::Message() << w << "x" << h << " mode " << mode);
      EXPECT_EQ(differingPixels(f, 0, reference, 0, eye), 0);
      if (w >= 2) {
        EXPECT_EQ(differingPixels(f, eye, reference, 0, eye), 0);
      }
      if (w % 2 && w > 1) {
        EXPECT_EQ(f.hue(w - 1, h / 2), '0');
      }
    }
  }
}

TEST_F(LayoutsGLTest, OverUnderVideoGivesEachEyeItsOwnHalf) {
  // Upper half red, lower half blue: the left eye must see only red, the right eye only blue, and the
  // left eye must still be there after the right eye drew (the pair is cleared once).
  auto overUnder = [](int, int y, int, int h) { return y < h / 2 ? kRed : kBlue; };
  // No motion sensor: the pair looks at the horizon, well away from the split at the poles.
  auto view = makeVideoView(128, 64, 64, 64, overUnder);
  view->setViewMode(4, 2.0f);
  view->setStereo(true);
  Frame f = draw(*view);
  EXPECT_EQ(view->stereoMode(), 1);
  for (int y = 2; y < 64; y += 6)
    for (int x = 2; x < 62; x += 6) {
      ASSERT_EQ(f.hue(x, y), 'r') << x << "," << y;
      ASSERT_EQ(f.hue(64 + x, y), 'b') << x << "," << y;
    }
  // Mono over-under shows the upper half only; the stereo pair of mode 3 shows the whole frame twice.
  view->setStereo(false);
  Frame mono = draw(*view);
  for (int x = 2; x < 128; x += 6) EXPECT_EQ(mono.hue(x, 32), 'r') << x;
  view->setViewMode(3, 2.0f);
  Frame same = draw(*view);
  EXPECT_EQ(view->stereoMode(), 0);
  EXPECT_EQ(differingPixels(same, 0, same, 64, 64), 0);
  EXPECT_NE(differingPixels(same, 0, f, 0, 64), 0);
}

TEST_F(LayoutsGLTest, BlindSpotTurnsWithTheSceneInTheStereoAndCylinderRenderers) {
  // Interface orientation 2 turns the picture by 180 degrees on screen and gives the yaw a base of 180
  // degrees, so looking at the nadir the scene comes out as in orientation 0. A disk that takes the
  // scene's yaw does too; one that missed the yaw base would show upside down.
  auto dir = std::filesystem::temp_directory_path() / "qv-layouts-blindspot";
  std::filesystem::create_directories(dir);
  auto disk =
      imageOf(64, 64, [](int x, int y, int, int) { return x < 32 ? kGreen : (y < 20 ? kRed : kBlue); });
  ASSERT_TRUE(disk->writePNG((dir / "halves.png").string()));
  auto picture = imageOf(256, 128, panorama);
  // A device lying face up: the motion branches look straight down.
  MotionManager::setFactory([] { return std::make_shared<FixedAttitude>(Attitude{}); });

  struct Case {
    const char* name;
    int navigation, mode;
    bool stereo;
  };
  for (Case c : {Case{"stereo, touch navigation", 1, 0, true}, Case{"cylinder", 0, 2, false}}) {
    // The disk itself sits a little off the pole axis, so compare where its red quarter lies within it.
    double offset[2][2] = {};
    for (int i = 0; i < 2; ++i) {
      auto view = makeView(64, 64);
      view->setImage(picture);
      view->setNavigationMode(c.navigation);
      view->setInterfaceOrientation(i == 0 ? 0 : 2);
      view->setViewMode(c.mode, 2.0f);
      view->setStereo(c.stereo);
      view->setFieldOfView(100);
      view->setBlindSpotImage((dir / "halves.png").string());
      view->setBlindSpotLocation(1);
      Frame f = draw(*view);
      double all[3] = {}, red[3] = {};
      for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
          char hue = f.hue(x, y);
          if (hue != 'r' && hue != 'g' && hue != 'b') continue;
          all[0] += x, all[1] += y, all[2] += 1;
          if (hue == 'r') red[0] += x, red[1] += y, red[2] += 1;
        }
      ASSERT_GT(all[2], 400) << c.name << ": the disk is drawn";
      ASSERT_GT(red[2], 50) << c.name;
      for (int axis = 0; axis < 2; ++axis) offset[i][axis] = red[axis] / red[2] - all[axis] / all[2];
    }
    EXPECT_NEAR(offset[1][0], offset[0][0], 1.5) << c.name;
    EXPECT_NEAR(offset[1][1], offset[0][1], 1.5) << c.name;
  }
  std::filesystem::remove_all(dir);
}

TEST_F(LayoutsGLTest, CylinderRimsAreWhereTheFrameRowsSayAndNothingBeyond) {
  // First rows red, last rows blue, green between. Looking straight down (identity attitude) and then
  // straight up, with a field wide enough to see the open rim: black inside, the rim's own colour around.
  auto bands = [](int, int y, int, int h) { return y < h / 8 ? kRed : y >= h - h / 8 ? kBlue : kGreen; };
  for (auto [roll, rim] : {std::pair{0.0, 'b'}, std::pair{M_PI, 'r'}}) {
    MotionManager::setFactory([roll] { return std::make_shared<FixedAttitude>(Attitude{0, 0, roll}); });
    auto view = makeVideoView(96, 96, 64, 64, bands);
    view->setViewMode(2, 2.0f);
    view->setFieldOfView(150);
    Frame f = draw(*view);
    // The rim is 51.7 degrees off the axis: about 0.34 of the half width at this field of view.
    for (double angle = 0; angle < 2 * M_PI; angle += M_PI / 6) {
      auto at = [&](double radius) {
        return f.hue(48 + int(std::lround(radius * 48 * std::cos(angle))),
                     48 + int(std::lround(radius * 48 * std::sin(angle))));
      };
      EXPECT_EQ(at(0.2), '0') << "nothing beyond the rim, roll " << roll;
      EXPECT_EQ(at(0.38), rim) << "roll " << roll << " angle " << angle;
      EXPECT_EQ(at(0.8), 'g') << "roll " << roll << " angle " << angle;
    }
    // No touch pitch on the cylinder.
    view->setRotationY(50 / -1.5f);
    EXPECT_EQ(differingPixels(draw(*view), 0, f, 0, 96), 0);
  }
}

TEST_F(LayoutsGLTest, FlatLetterboxBarsForViewAndVideoAspects) {
  Environment::current().setSystemVersion("8.0");
  struct Row {
    int w, h;
    float aspect;
    int pictureRows;
  };
  for (Row row : {Row{160, 90, 2.0f, 80}, Row{160, 90, 4.0f, 40}, Row{100, 100, 2.0f, 50},
                  Row{100, 100, 0.5f, 100}, Row{64, 128, 1.0f, 64}}) {
    auto view = makeVideoView(row.w, row.h, 16, 16, solid(kGreen));
    Environment::current().setSystemVersion("8.0");
    view->setInterfaceOrientation(3);
    view->setViewMode(1, row.aspect);
    Frame f = draw(*view);
    int top = 0, picture = 0, bottom = 0;
    for (int y = 0; y < row.h; ++y) {
      char hue = f.hue(row.w / 2, y);
      ASSERT_TRUE(hue == 'g' || hue == '0') << y;
      (hue == 'g' ? picture : picture ? bottom : top)++;
    }
    SCOPED_TRACE(testing::Message() << row.w << "x" << row.h << " aspect " << row.aspect);
    EXPECT_NEAR(picture, row.pictureRows, 1);
    EXPECT_NEAR(top, bottom, 1);
    EXPECT_EQ(f.hue(0, row.h / 2), 'g');
    EXPECT_EQ(f.hue(row.w - 1, row.h / 2), 'g');
  }
}
