#include <gtest/gtest.h>

#include <filesystem>

#include "qv/os/Image.h"
#include "qv/os/RunLoop.h"
#include "tests/support/ViewTestSupport.h"

using namespace qv;

namespace {

// A blind-spot image whose quarters are coloured: top-left red, top-right green, bottom-left blue,
// bottom-right white, so orientation and mirroring show in any view of it.
std::string writeQuarterImage(const std::string& path, int w = 64, int h = 64) {
  std::vector<uint8_t> rgba(size_t(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      bool right = x >= w / 2, bottom = y >= h / 2;
      RGB c =
          !bottom ? (right ? RGB{0, 255, 0} : RGB{255, 0, 0}) : (right ? RGB{255, 255, 255} : RGB{0, 0, 255});
      uint8_t* p = &rgba[(size_t(y) * w + x) * 4];
      p[0] = c[0], p[1] = c[1], p[2] = c[2], p[3] = 255;
    }
  Image::fromRGBA(w, h, std::move(rgba))->writePNG(path);
  return path;
}

class BlindSpotGLTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RunLoop::main().useManualClock(10.0);
    folder = std::filesystem::temp_directory_path() / "qv-blindspot-test";
    std::filesystem::create_directories(folder);
    image = writeQuarterImage((folder / "quarters.png").string());
    view = makeLaidOutView(200, 200);
    view->setFieldOfView(60);
    view->setImage(ColourCodedPanorama::make());
  }
  void TearDown() override {
    view.reset();
    std::filesystem::remove_all(folder);
    RunLoop::main().useRealClock();
  }
  // Colours at the four diagonal points around the centre: top-left, top-right, bottom-left, bottom-right.
  std::array<RGB, 4> quarters() {
    return {framePixel(*view, 70, 70), framePixel(*view, 130, 70), framePixel(*view, 70, 130),
            framePixel(*view, 130, 130)};
  }
  std::filesystem::path folder;
  std::string image;
  std::shared_ptr<QVViewGL> view;
};

constexpr RGB kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255};

}  // namespace

TEST_F(BlindSpotGLTest, PoleImagesAreUprightUnmirroredAndTurnWithTheScene) {
  view->setBlindSpotImage(image);
  for (auto [location, pitch] : {std::pair{1, -90.0f}, std::pair{2, 90.0f}}) {
    view->setBlindSpotLocation(location);
    view->setRotationY(pitch);
    view->update();
    EXPECT_EQ(quarters(), (std::array<RGB, 4>{kRed, kGreen, kBlue, kWhite})) << location;
  }
  view->setBlindSpotLocation(1);
  view->setRotationY(-90);
  view->setRotationX(180);  // turned around: the image is seen upside down, as the panorama under it is
  view->update();
  EXPECT_EQ(quarters(), (std::array<RGB, 4>{kWhite, kBlue, kGreen, kRed}));
}

TEST_F(BlindSpotGLTest, LargeImagesAreScaledDownNotRefused) {
  view->setBlindSpotLocation(1);
  view->setRotationY(-90);
  // Wider than the GL maximum texture size, and above the disk's own limit on both sides.
  for (auto [w, h] : {std::pair{16400, 64}, std::pair{3000, 2500}}) {
    view->setBlindSpotImage(writeQuarterImage((folder / (std::to_string(w) + ".png")).string(), w, h));
    view->update();
    EXPECT_TRUE(view->blindSpot().hasTexture()) << w;
    EXPECT_EQ(quarters(), (std::array<RGB, 4>{kRed, kGreen, kBlue, kWhite})) << w;
  }
}

TEST_F(BlindSpotGLTest, LocationsOtherThanThePolesDrawNothing) {
  view->setBlindSpotImage(image);
  view->setRotationY(-90);
  for (int location : {0, 3, 7}) {
    view->setBlindSpotLocation(location);
    view->update();
    EXPECT_EQ(framePixel(*view, 100, 100), ColourCodedPanorama::kNadir) << location;
  }
  EXPECT_TRUE(view->blindSpot().hasTexture());  // location 3 loads the image but draws no disk
}

TEST_F(BlindSpotGLTest, MissingOrCorruptImageIsTriedOnceUntilTheNameChanges) {
  LogCapture log;
  view->setBlindSpotImage((folder / "missing.png").string());
  view->setBlindSpotLocation(1);
  view->setRotationY(-90);
  for (int i = 0; i < 3; ++i) view->update();
  EXPECT_FALSE(view->blindSpot().hasTexture());
  EXPECT_EQ(framePixel(*view, 100, 100), ColourCodedPanorama::kNadir);

  std::string corrupt = (folder / "corrupt.png").string();
  FILE* f = std::fopen(corrupt.c_str(), "wb");
  std::fputs("\x89PNG\r\n\x1a\n not really", f);
  std::fclose(f);
  view->setBlindSpotImage(corrupt);
  for (int i = 0; i < 5; ++i) view->update();
  EXPECT_EQ(log.count("Image " + corrupt), 1u);  // logged once, not once per frame
  EXPECT_FALSE(view->blindSpot().hasTexture());

  view->setBlindSpotImage(image);  // a new name is tried again
  view->update();
  EXPECT_TRUE(view->blindSpot().hasTexture());
}

// A cube-map picture lies on the same sphere, so the blind spot still covers its pole, turned the same way.
TEST_F(BlindSpotGLTest, CubeMapScenesKeepTheBlindSpotOnTop) {
  PanoramaLayout layout;
  layout.projection = PanoramaProjection::EquiAngularCubeMap;
  view->setPanoramaLayout(layout);
  view->setImage(Image::fromRGBA(96, 64, std::vector<uint8_t>(96 * 64 * 4, 128)));
  view->setBlindSpotImage(image);
  for (auto [location, pitch] : {std::pair{1, -90.0f}, std::pair{2, 90.0f}}) {
    view->setBlindSpotLocation(location);
    view->setRotationY(pitch);
    view->update();
    EXPECT_EQ(quarters(), (std::array<RGB, 4>{kRed, kGreen, kBlue, kWhite})) << location;
  }
}
