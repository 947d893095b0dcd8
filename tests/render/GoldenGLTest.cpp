// What users see, pinned: each layout rendered headless at a small size and compared with a committed PNG
// under tests/data/golden, channel by channel. A change that moves, turns or recolours the picture fails
// here. QV_UPDATE_GOLDEN=1 writes the current renders as the new references (look at them first).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>

#include "qv/hotspots/QVHotspot.h"
#include "qv/os/Environment.h"
#include "qv/os/Image.h"
#include "qv/os/OffscreenLayer.h"
#include "qv/os/PixelBuffer.h"
#include "qv/os/RunLoop.h"
#include "tests/hotspots/HotspotTestSupport.h"
#include "tests/support/HostAsset.h"
#include "tests/support/ViewTestSupport.h"

using namespace qv;

namespace {

constexpr int kWidth = 160, kHeight = 96;
// llvmpipe is deterministic on one machine; the slack covers rounding differences between Mesa builds.
constexpr int kChannelTolerance = 6;
constexpr double kMaxDifferingFraction = 0.002;

// Longitude in red, latitude in green, a fine checker in blue: any wrong turn, offset or scale shows.
std::shared_ptr<Image> detailedPanorama(int w = 512, int h = 256) {
  std::vector<uint8_t> rgba;
  rgba.reserve(size_t(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      rgba.insert(rgba.end(),
                  {uint8_t(x * 255 / w), uint8_t(y * 255 / h), uint8_t((x / 8 + y / 8) % 2 * 255), 255});
  return Image::fromRGBA(w, h, std::move(rgba));
}

class GoldenGLTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RunLoop::main().useManualClock(10.0);
    Environment::current().setScreen(QVRect{0, 0, double(kWidth), double(kHeight)}, 1.0);
    view = makeLaidOutView(kWidth, kHeight);
    view->setFieldOfView(70);
  }
  void TearDown() override {
    view.reset();
    Environment::current().reset();
    RunLoop::main().useRealClock();
  }

  void showVideoFrame() {
    auto image = detailedPanorama(256, 128);
    auto buffer = PixelBuffer::create(image->width(), image->height());
    image->copyPremultipliedBGRA(buffer->baseAddress(), buffer->bytesPerRow());
    view->displayAsset(std::make_shared<HostAsset>());
    view->onImageBuffer(buffer.get(), 0, 0, image->width(), image->height());
  }

  // Draws one frame and compares it with tests/data/golden/<name>.png.
  void expectMatchesGolden(const std::string& name) {
    view->update();
    int w = 0, h = 0;
    std::vector<uint8_t> frame = static_cast<OffscreenLayer&>(*view->layer()).lastFrame(&w, &h);
    ASSERT_EQ(w, kWidth);
    ASSERT_EQ(h, kHeight);
    const std::string path = std::string(QV_TEST_DATA_DIR) + "/golden/" + name + ".png";
    if (std::getenv("QV_UPDATE_GOLDEN")) {
      ASSERT_TRUE(Image::fromRGBA(w, h, frame)->writePNG(path));
      return;
    }
    auto golden = Image::fromFile(path);
    ASSERT_TRUE(golden) << path;
    ASSERT_EQ(golden->width(), w);
    ASSERT_EQ(golden->height(), h);
    const std::span<const uint8_t> expected = golden->rgba();
    int differing = 0;
    for (size_t i = 0; i < frame.size(); i += 4) {
      bool off = false;
      for (int c = 0; c < 3; ++c)
        off |= std::abs(int(frame[i + c]) - int(expected[i + c])) > kChannelTolerance;
      differing += off;
    }
    EXPECT_LE(differing, int(kMaxDifferingFraction * w * h)) << name << ": " << differing << " pixels differ";
  }

  std::shared_ptr<QVViewGL> view;
  LogCapture log;
};

}  // namespace

TEST_F(GoldenGLTest, Sphere) {
  view->setImage(detailedPanorama());
  view->setRotationX(30);
  view->setRotationY(20);
  expectMatchesGolden("sphere");
}

TEST_F(GoldenGLTest, StereoPair) {
  view->setImage(detailedPanorama());
  view->setRotationX(-40);
  view->setStereo(true);
  expectMatchesGolden("stereo-pair");
}

TEST_F(GoldenGLTest, OverUnderVideo) {
  showVideoFrame();
  view->setViewMode(4, 2.0f);
  expectMatchesGolden("over-under");
}

TEST_F(GoldenGLTest, Cylinder) {
  showVideoFrame();
  view->setViewMode(2, 2.0f);
  view->setRotationX(60);
  expectMatchesGolden("cylinder");
}

TEST_F(GoldenGLTest, Flat) {
  showVideoFrame();
  view->setViewMode(1, 2.0f);
  expectMatchesGolden("flat");
}

TEST_F(GoldenGLTest, BlindSpotAtTheNadir) {
  const auto folder = std::filesystem::temp_directory_path() / "qv-golden-test";
  std::filesystem::create_directories(folder);
  const std::string disk = (folder / "disk.png").string();
  ASSERT_TRUE(detailedPanorama(64, 64)->writePNG(disk));
  view->setImage(detailedPanorama());
  view->setBlindSpotImage(disk);
  view->setBlindSpotLocation(1);
  view->setRotationY(-70);
  expectMatchesGolden("blind-spot");
  std::filesystem::remove_all(folder);
}

TEST_F(GoldenGLTest, Hotspots) {
  view->setImage(detailedPanorama());
  auto a = view->createHotspot(solid(32, 32, 255, 255, 255));
  a->setCoordinates(10, 5, 0);
  auto b = view->createHotspot(solid(64, 32, 250, 40, 40));
  b->setCoordinates(-25, -10, 0);
  b->setSize(1.5f);
  expectMatchesGolden("hotspots");
}
