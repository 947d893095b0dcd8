// Still images larger than one texture: cut into tiles within the host's limit, they show the same picture
// as one texture does, across tile borders and at both poles, in the mono and the stereo layout and flat on
// the screen; and a later single texture (a video frame) replaces them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <utility>
#include <vector>

#include "qv/media/FrameInput.h"
#include "qv/os/Image.h"
#include "qv/os/OffscreenLayer.h"
#include "qv/os/PixelBuffer.h"
#include "qv/os/RunLoop.h"
#include "qv/platform/QVContext.h"
#include "tests/support/ViewTestSupport.h"

using namespace qv;

namespace {

constexpr int kWidth = 4096, kHeight = 2048, kView = 256;

// Fine but smooth detail: waves of 7 columns in red and 5 rows in green, and slow blue bands, so a tile
// sampled one pixel off differs by up to 110 levels, while the view (magnifying) has no edges to alias.
std::shared_ptr<Image> detailedPanorama(int width = kWidth, int height = kHeight) {
  std::vector<uint8_t> rgba(size_t(width) * height * 4);
  auto wave = [](int i, double period) {
    return uint8_t(127.5 + 127 * std::sin(2 * std::numbers::pi * i / period));
  };
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &rgba[(size_t(y) * width + size_t(x)) * 4];
      p[0] = wave(x, 7), p[1] = wave(y, 5), p[2] = wave(x + y, 300), p[3] = 255;
    }
  return Image::fromRGBA(width, height, std::move(rgba));
}

// The largest difference of any channel between two frames, and how many pixels of the first are lit.
std::pair<int, int> compare(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  int largest = 0, lit = 0;
  for (size_t p = 0; p + 3 < std::min(a.size(), b.size()); p += 4) {
    lit += a[p] + a[p + 1] + a[p + 2] > 0;
    for (int c = 0; c < 3; ++c) largest = std::max(largest, std::abs(a[p + c] - b[p + c]));
  }
  return {largest, lit};
}

struct Direction {
  float yaw, pitch;
};

// Tile borders of a 1024 limit on 4096 x 2048 lie at columns 819, 1638, 2457, 3276 (yaw -108, -36, 36,
// 108) and rows 682, 1365 (pitch 30, -30); the poles are where every column meets.
constexpr Direction kDirections[] = {{-36, 0}, {36, 30}, {108, -30}, {-108, 5}, {180, 0}, {0, 90}, {40, -90}};

std::vector<std::vector<uint8_t>> render(int tileLimit, bool stereo) {
  auto view = makeLaidOutView(kView, kView);
  view->setFieldOfView(20);
  view->setStereo(stereo);
  view->setMaximumTileSize(tileLimit);
  EXPECT_TRUE(view->setImage(detailedPanorama()));
  std::vector<std::vector<uint8_t>> frames;
  for (const Direction& d : kDirections) {
    view->setRotationX(d.yaw);
    view->setRotationY(d.pitch);
    view->update();
    frames.push_back(static_cast<OffscreenLayer&>(*view->layer()).lastFrame());
  }
  return frames;
}

}  // namespace

TEST(TiledImageGLTest, TilesWithinAHostLimitShowWhatOneTextureShows) {
  RunLoop::main().useManualClock(5.0);
  for (bool stereo : {false, true}) {
    SCOPED_TRACE(stereo ? "stereo" : "mono");
    const auto whole = render(0, stereo), tiled = render(1024, stereo);
    for (size_t i = 0; i < whole.size(); ++i) {
      SCOPED_TRACE(::testing::Message() << "yaw " << kDirections[i].yaw << " pitch " << kDirections[i].pitch);
      ASSERT_EQ(whole[i].size(), tiled[i].size());
      const auto [largest, lit] = compare(whole[i], tiled[i]);
      EXPECT_GT(lit, kView * kView * 9 / 10);  // the picture is there, not two black frames
      EXPECT_LE(largest, 2);                   // rounding of the texture coordinates only
    }
  }
  RunLoop::main().useRealClock();
}

TEST(TiledImageGLTest, TheFlatLayoutShowsAStillWholeOrInTiles) {
  RunLoop::main().useManualClock(5.0);
  // Magnified twice, so the comparison sees the tiles' sampling, not aliasing.
  constexpr int kFlatWidth = 1024, kFlatHeight = 512;
  auto flatFrame = [&](int tileLimit) {
    auto view = makeLaidOutView(kFlatWidth, kFlatHeight);
    view->setMaximumTileSize(tileLimit);
    view->setViewMode(1, 2.0f);
    EXPECT_TRUE(view->setImage(detailedPanorama(kFlatWidth / 2, kFlatHeight / 2)));
    view->update();
    return static_cast<OffscreenLayer&>(*view->layer()).lastFrame();
  };
  const auto whole = flatFrame(0), tiled = flatFrame(128);
  ASSERT_EQ(whole.size(), tiled.size());
  const auto [largest, lit] = compare(whole, tiled);
  EXPECT_GT(lit, kFlatWidth * kFlatHeight * 9 / 10);  // the picture fills the letterbox of the same aspect
  EXPECT_LE(largest, 2);
  RunLoop::main().useRealClock();
}

namespace {

// The panorama averaged over blocks of 2 x 2 pixels (what a reduced level holds, made from the level
// above); at a right or bottom edge of odd size, the mean of the pixels there are.
std::shared_ptr<Image> halfOf(const Image& image) {
  const int width = image.width(), height = image.height(), w = (width + 1) / 2, h = (height + 1) / 2;
  const auto rgba = image.rgba();
  std::vector<uint8_t> out(size_t(w) * size_t(h) * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 4; ++c) {
        uint32_t sum = 0, samples = 0;
        for (int sy = 2 * y; sy < std::min(2 * y + 2, height); ++sy)
          for (int sx = 2 * x; sx < std::min(2 * x + 2, width); ++sx, ++samples)
            sum += rgba[(size_t(sy) * size_t(width) + size_t(sx)) * 4 + size_t(c)];
        out[(size_t(y) * size_t(w) + size_t(x)) * 4 + size_t(c)] = uint8_t((sum + samples / 2) / samples);
      }
  return Image::fromRGBA(w, h, std::move(out));
}

std::vector<uint8_t> viewAt(const std::shared_ptr<Image>& image, int tileLimit, float fov) {
  auto view = makeLaidOutView(kView, kView);
  view->setMaximumTileSize(tileLimit);
  EXPECT_TRUE(view->setImage(image));
  view->setFieldOfView(fov);
  view->setRotationX(30);
  view->setRotationY(20);
  view->update();
  return static_cast<OffscreenLayer&>(*view->layer()).lastFrame();
}

int largestDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  return compare(a, b).first;
}

}  // namespace

TEST(TiledImageGLTest, EachViewDrawsTheSmallestLevelThatIsSharpEnough) {
  // An odd width, so the reduced levels have an edge of one column. (An odd height would make the picture
  // narrower than the whole sphere, and its half level not.)
  const auto panorama = detailedPanorama(4095, 2048);
  const auto half = halfOf(*panorama), quarter = halfOf(*half);
  // On 256 pixels: at 110 degrees the quarter level (1024 wide) has all the view can show, at 58 the half
  // (2048) has and the quarter has not, at 20 only the full tiles have.
  EXPECT_LE(largestDifference(viewAt(panorama, 1024, 110), viewAt(quarter, 0, 110)), 2);
  EXPECT_LE(largestDifference(viewAt(panorama, 1024, 58), viewAt(half, 0, 58)), 2);
  EXPECT_GT(largestDifference(viewAt(panorama, 1024, 58), viewAt(quarter, 0, 58)), 40);
  EXPECT_GT(largestDifference(viewAt(panorama, 1024, 20), viewAt(half, 0, 20)), 60);
  EXPECT_LE(largestDifference(viewAt(panorama, 1024, 20), viewAt(panorama, 0, 20)), 2);
}

TEST(TiledImageGLTest, AVideoFrameOrAClearReplacesTheTiles) {
  FrameInput input(QVContext::glLock());
  input.setMaximumTileSize(1024);
  ASSERT_TRUE(input.setImage(detailedPanorama()));
  {
    std::lock_guard<std::mutex> guard(input.lock());
    EXPECT_EQ(input.tiles(20, kView).size(), 15u);
    EXPECT_EQ(input.tiles(58, kView).size(), 3u);  // the half level, 2048 x 1024
    // A wide view draws the reduced level (1024 x 512, one tile) instead.
    const auto reduced = input.tiles(110, kView);
    ASSERT_EQ(reduced.size(), 1u);
    EXPECT_EQ(reduced[0].texture.width, 1024);
    EXPECT_TRUE(input.first().empty());
  }
  std::vector<uint8_t> frame(64 * 32 * 4, 200);
  auto buffer = PixelBuffer::createWithBytes(64, 32, frame.data(), 64 * 4);
  ASSERT_TRUE(input.onImageBuffer(buffer.get(), 64, 32));
  {
    std::lock_guard<std::mutex> guard(input.lock());
    EXPECT_TRUE(input.tiles(20, kView).empty());
    EXPECT_FALSE(input.first().empty());
  }
  ASSERT_TRUE(input.setImage(detailedPanorama()));
  std::lock_guard<std::mutex> guard(input.lock());
  input.clearSlots();
  EXPECT_TRUE(input.tiles(20, kView).empty());
  SharedContextScope scope;
  input.releaseTextures();
}
