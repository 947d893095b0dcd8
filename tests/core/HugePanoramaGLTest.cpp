// A 32768 x 16384 panorama (twice the GL maximum texture size across) seen at fov 20: it shows what the
// ffmpeg command line's 360-degree filter makes of the same picture, across the tile borders and at both
// poles, and it is sharper than the same panorama brought down to 16384 across, which fits one texture.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "qv/os/Image.h"
#include "qv/os/OffscreenLayer.h"
#include "qv/os/RunLoop.h"
#include "tests/support/ViewTestSupport.h"

using namespace qv;

namespace {

constexpr int kView = 1024;
constexpr float kFieldOfView = 20;

struct Direction {
  float yaw, pitch;
};
// Tiles meet at yaw -60 and 60 on 32768 across (three tiles), at 0 and 180 on 22528 (two).
constexpr Direction kDirections[] = {{-60, 0}, {60, 15}, {0, -10}, {180, 30}, {0, 90}, {0, -90}};

// Grey: coarse blobs for the eye and the correlation to hold on to, and waves of 3.3 and 3.6 pixels that
// a view at fov 20 on 1024 pixels (51 pixels a degree, the picture has 91) still resolves, but a 16384
// picture (45.5 a degree, the waves under 2 pixels) cannot hold.
std::vector<uint8_t> greyPattern(int kWidth, int kHeight) {
  std::vector<uint8_t> grey(size_t(kWidth) * kHeight);
  std::vector<float> across(kWidth), coarseAcross(kWidth);
  for (int x = 0; x < kWidth; ++x) {
    across[size_t(x)] = float(std::sin(2 * std::numbers::pi * x / 3.3));
    coarseAcross[size_t(x)] = float(std::sin(2 * std::numbers::pi * x / 410));
  }
  for (int y = 0; y < kHeight; ++y) {
    const float down = float(std::sin(2 * std::numbers::pi * y / 3.6));
    const float coarseDown = float(std::cos(2 * std::numbers::pi * y / 290));
    uint8_t* row = &grey[size_t(y) * kWidth];
    for (int x = 0; x < kWidth; ++x)
      row[x] = uint8_t(128 + 60 * coarseAcross[size_t(x)] * coarseDown + 30 * across[size_t(x)] + 30 * down);
  }
  return grey;
}

std::shared_ptr<Image> rgbaOf(const std::vector<uint8_t>& grey, int width, int height) {
  std::vector<uint8_t> rgba(size_t(width) * size_t(height) * 4, 255);
  for (size_t i = 0; i < grey.size(); ++i) rgba[i * 4] = rgba[i * 4 + 1] = rgba[i * 4 + 2] = grey[i];
  return Image::fromRGBA(width, height, std::move(rgba));
}

// Each output pixel the mean of a 2 x 2 block.
std::vector<uint8_t> halved(const std::vector<uint8_t>& grey, int kWidth, int kHeight) {
  std::vector<uint8_t> half(size_t(kWidth / 2) * (kHeight / 2));
  for (int y = 0; y < kHeight / 2; ++y)
    for (int x = 0; x < kWidth / 2; ++x) {
      const uint8_t* p = &grey[size_t(2 * y) * kWidth + size_t(2 * x)];
      half[size_t(y) * (kWidth / 2) + size_t(x)] = uint8_t((p[0] + p[1] + p[kWidth] + p[kWidth + 1] + 2) / 4);
    }
  return half;
}

// The views the kit draws, as grey (the red channel), top row first.
std::vector<std::vector<float>> kitViews(std::shared_ptr<Image> image) {
  auto view = makeLaidOutView(kView, kView);
  view->setFieldOfView(kFieldOfView);
  EXPECT_TRUE(view->setImage(image));
  image.reset();
  std::vector<std::vector<float>> views;
  for (const Direction& d : kDirections) {
    view->setRotationX(d.yaw);
    view->setRotationY(d.pitch);
    view->update();
    const auto frame = static_cast<OffscreenLayer&>(*view->layer()).lastFrame();
    std::vector<float> grey(size_t(kView) * kView);
    for (size_t i = 0; i < grey.size(); ++i) grey[i] = frame[i * 4];
    views.push_back(std::move(grey));
  }
  return views;
}

// The same views from the ffmpeg command line's 360-degree filter, one run for all of them.
std::vector<std::vector<float>> referenceViews(const std::vector<uint8_t>& grey, int kWidth, int kHeight) {
  const std::string folder = ::testing::TempDir();
  const std::string input = folder + "huge-panorama.grey";
  std::ofstream(input, std::ios::binary)
      .write(reinterpret_cast<const char*>(grey.data()), std::streamsize(grey.size()));
  std::string graph = "[0]split=" + std::to_string(std::size(kDirections));
  for (size_t i = 0; i < std::size(kDirections); ++i) graph += "[in" + std::to_string(i) + "]";
  std::string outputs;
  for (size_t i = 0; i < std::size(kDirections); ++i) {
    char filter[200];
    std::snprintf(
        filter, sizeof filter,
        ";[in%zu]v360=input=e:output=flat:yaw=%g:pitch=%g:h_fov=%g:v_fov=%g:w=%d:h=%d:interp=linear[out%zu]",
        i, double(kDirections[i].yaw), double(kDirections[i].pitch), double(kFieldOfView),
        double(kFieldOfView), kView, kView, i);
    graph += filter;
    outputs += " -map [out" + std::to_string(i) + "] -f rawvideo -pix_fmt gray " + folder + "huge-view" +
               std::to_string(i) + ".grey";
  }
  const std::string command = "ffmpeg -v error -y -f rawvideo -pix_fmt gray -s " + std::to_string(kWidth) +
                              "x" + std::to_string(kHeight) + " -i " + input + " -filter_complex '" + graph +
                              "'" + outputs;
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  std::remove(input.c_str());
  std::vector<std::vector<float>> views;
  for (size_t i = 0; i < std::size(kDirections); ++i) {
    const std::string path = folder + "huge-view" + std::to_string(i) + ".grey";
    std::vector<char> bytes(size_t(kView) * kView);
    std::ifstream(path, std::ios::binary).read(bytes.data(), std::streamsize(bytes.size()));
    std::remove(path.c_str());
    views.emplace_back(bytes.begin(), bytes.end());
    for (float& v : views.back()) v = float(uint8_t(v));
  }
  return views;
}

// Means of 8 x 8 blocks: the picture without the waves, whose phase half an output pixel turns round.
std::vector<float> blocks(const std::vector<float>& view) {
  std::vector<float> means(size_t(kView / 8) * (kView / 8));
  for (int y = 0; y < kView; ++y)
    for (int x = 0; x < kView; ++x)
      means[size_t(y / 8) * (kView / 8) + size_t(x / 8)] += view[size_t(y) * kView + size_t(x)] / 64;
  return means;
}

double crossCorrelation(const std::vector<float>& a, const std::vector<float>& b) {
  double meanA = 0, meanB = 0;
  for (size_t i = 0; i < a.size(); ++i) meanA += a[i], meanB += b[i];
  meanA /= double(a.size()), meanB /= double(b.size());
  double ab = 0, aa = 0, bb = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    const double da = a[i] - meanA, db = b[i] - meanB;
    ab += da * db, aa += da * da, bb += db * db;
  }
  return ab / std::sqrt(aa * bb);
}

// Mean squared difference of neighbouring pixels: how much fine detail a view holds.
double detail(const std::vector<float>& view) {
  double sum = 0;
  for (int y = 0; y + 1 < kView; ++y)
    for (int x = 0; x + 1 < kView; ++x) {
      const float p = view[size_t(y) * kView + size_t(x)];
      sum += (p - view[size_t(y) * kView + size_t(x) + 1]) * (p - view[size_t(y) * kView + size_t(x) + 1]) +
             (p - view[size_t(y + 1) * kView + size_t(x)]) * (p - view[size_t(y + 1) * kView + size_t(x)]);
    }
  return sum / double(kView - 1) / double(kView - 1);
}

}  // namespace

// The largest picture the filter takes (it refuses more than about 2^28 pixels), still wider than one
// texture: two tiles, meeting at yaw 0 and 180.
TEST(HugePanoramaGLTest, ShowsWhatThe360FilterShows) {
  RunLoop::main().useManualClock(5.0);
  constexpr int kWidth = 22528, kHeight = 11264;
  std::vector<std::vector<float>> tiled, reference;
  {
    const std::vector<uint8_t> grey = greyPattern(kWidth, kHeight);
    reference = referenceViews(grey, kWidth, kHeight);
    tiled = kitViews(rgbaOf(grey, kWidth, kHeight));
  }
  for (size_t i = 0; i < tiled.size(); ++i) {
    SCOPED_TRACE(::testing::Message() << "yaw " << kDirections[i].yaw << " pitch " << kDirections[i].pitch);
    const double correlation = crossCorrelation(blocks(tiled[i]), blocks(reference[i]));
    const double detailRatio = detail(tiled[i]) / detail(reference[i]);
    std::printf("yaw %g pitch %g: correlation %.3f (pixels %.3f); detail %.3f of the filter's\n",
                double(kDirections[i].yaw), double(kDirections[i].pitch), correlation,
                crossCorrelation(tiled[i], reference[i]), detailRatio);
    // Measured 0.990 to 0.999; at the poles 0.955, where the sphere's 60 slices bend the picture a little
    // (one texture shows the same). A tile one pixel off still passes this; the 1024-tile test catches that.
    EXPECT_GT(correlation, std::abs(kDirections[i].pitch) == 90 ? 0.93 : 0.98);
    EXPECT_NEAR(detailRatio, 1, 0.05);
  }
  RunLoop::main().useRealClock();
}

// 32768 x 16384 against the same picture brought down to 16384 across, which fits one texture.
TEST(HugePanoramaGLTest, HoldsMoreDetailThanOneTexture) {
  RunLoop::main().useManualClock(5.0);
  constexpr int kWidth = 32768, kHeight = 16384;
  std::vector<std::vector<float>> tiled, single;
  {
    const std::vector<uint8_t> grey = greyPattern(kWidth, kHeight);
    single = kitViews(rgbaOf(halved(grey, kWidth, kHeight), kWidth / 2, kHeight / 2));
    tiled = kitViews(rgbaOf(grey, kWidth, kHeight));
  }
  for (size_t i = 0; i < tiled.size(); ++i) {
    SCOPED_TRACE(::testing::Message() << "yaw " << kDirections[i].yaw << " pitch " << kDirections[i].pitch);
    std::printf("yaw %g pitch %g: correlation %.3f; detail tiled %.1f, 16384 %.1f\n",
                double(kDirections[i].yaw), double(kDirections[i].pitch),
                crossCorrelation(tiled[i], single[i]), detail(tiled[i]), detail(single[i]));
    EXPECT_GT(crossCorrelation(tiled[i], single[i]), 0.5);
    EXPECT_GT(detail(tiled[i]), 1.5 * detail(single[i]));
  }
  RunLoop::main().useRealClock();
}
