// The view draws the picture as its layout says: one eye's half of a stereo picture, a covered area of the
// sphere (checked against ffmpeg's v360 filter and against the full panorama padded with black), the
// layout the content brings unless the host set one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "qv/os/Image.h"
#include "qv/os/OffscreenLayer.h"
#include "qv/os/PixelBuffer.h"
#include "tests/support/HostAsset.h"
#include "tests/support/ViewTestSupport.h"

using namespace qv;

namespace {

constexpr int kWidth = 320, kHeight = 240;
constexpr float kFov = 60;  // vertical, degrees

std::string scratch() {
  static const std::string dir = [] {
    char pattern[] = "/tmp/qvlayoutXXXXXX";
    return std::string(mkdtemp(pattern) ? pattern : "");
  }();
  return dir;
}

bool run(const std::string& command) {
  return std::system(command.c_str()) == 0;
}

// Luma of RGBA or RGB pixels (stride 4 or 3).
std::vector<double> luma(const uint8_t* pixels, size_t count, int stride) {
  std::vector<double> y(count);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* p = pixels + i * stride;
    y[i] = 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
  }
  return y;
}

double correlation(const std::vector<double>& a, const std::vector<double>& b) {
  if (a.size() != b.size() || a.empty()) return 0;
  double ma = 0, mb = 0;
  for (size_t i = 0; i < a.size(); ++i) ma += a[i], mb += b[i];
  ma /= double(a.size()), mb /= double(b.size());
  double ab = 0, aa = 0, bb = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    ab += (a[i] - ma) * (b[i] - mb), aa += (a[i] - ma) * (a[i] - ma), bb += (b[i] - mb) * (b[i] - mb);
  }
  return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}

// What ffmpeg's v360 filter makes of `source` (after the filters `before`, then as an `input` projection)
// as a rectilinear view of kWidth x kHeight with the view's field of view, looking at (yaw, pitch).
std::vector<double> v360View(const std::string& source, const std::string& before, const std::string& input,
                             double yaw, double pitch) {
  const double hfov = 2 * std::atan(std::tan(kFov * M_PI / 360) * kWidth / kHeight) * 180 / M_PI;
  const std::string out = scratch() + "/v360.rgb";
  char filter[256];
  std::snprintf(filter, sizeof filter,
                "%sv360=input=%s:output=flat:h_fov=%.4f:v_fov=%.4f:yaw=%.3f:pitch=%.3f:w=%d:h=%d",
                before.c_str(), input.c_str(), hfov, double(kFov), yaw, pitch, kWidth, kHeight);
  if (!run("ffmpeg -nostdin -v error -y -i '" + source + "' -vf '" + filter +
           "' -f rawvideo -pix_fmt rgb24 '" + out + "'")) {
    return {};
  }
  std::ifstream file(out, std::ios::binary);
  std::vector<uint8_t> rgb((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (rgb.size() != size_t(kWidth) * kHeight * 3) return {};
  return luma(rgb.data(), size_t(kWidth) * kHeight, 3);
}

class PanoramaLayoutGLTest : public ::testing::Test {
 protected:
  void SetUp() override {
    view = makeLaidOutView(kWidth, kHeight);
    view->setFieldOfView(kFov);
  }
  // The view's frame looking at (yaw, pitch) as luma.
  std::vector<double> viewAt(float yaw, float pitch) {
    view->setRotationX(yaw);
    view->setRotationY(pitch);
    view->update();
    int w = 0, h = 0;
    auto frame = static_cast<OffscreenLayer&>(*view->layer()).lastFrame(&w, &h);
    return luma(frame.data(), size_t(w) * size_t(h), 4);
  }
  std::shared_ptr<QVViewGL> view;
};

// A colour-coded panorama above a plain grey one: the top half is the left eye.
std::shared_ptr<Image> stackedEyes() {
  auto left = ColourCodedPanorama::make(512, 256);
  std::vector<uint8_t> rgba(left->rgba().begin(), left->rgba().end());
  rgba.resize(rgba.size() * 2, 90);
  for (size_t alpha = rgba.size() / 2 + 3; alpha < rgba.size(); alpha += 4) rgba[alpha] = 255;
  return Image::fromRGBA(512, 512, std::move(rgba));
}

TEST_F(PanoramaLayoutGLTest, MonoViewShowsTheLeftEyeAndAPairEachEye) {
  ASSERT_TRUE(view->setImage(stackedEyes()));
  // Looking 45 degrees down: the left eye's band there, where the whole frame laid on the sphere has grey.
  viewAt(0, -45);
  EXPECT_EQ(framePixel(*view, kWidth / 2, kHeight / 2), (RGB{90, 90, 90}));
  PanoramaLayout layout;
  layout.stereo = StereoPacking::TopBottom;
  view->setPanoramaLayout(layout);
  viewAt(0, -45);
  EXPECT_EQ(framePixel(*view, kWidth / 2, kHeight / 2), ColourCodedPanorama::band(0));
  viewAt(90, 0);
  EXPECT_EQ(framePixel(*view, kWidth / 2, kHeight / 2), ColourCodedPanorama::band(90));

  view->setStereo(true);
  viewAt(0, -45);
  EXPECT_EQ(framePixel(*view, kWidth / 4, kHeight / 2), ColourCodedPanorama::band(0));
  EXPECT_EQ(framePixel(*view, 3 * kWidth / 4, kHeight / 2), (RGB{90, 90, 90}));  // the right eye

  // The same picture read as the right eye first: the grey lower half is the left eye.
  layout.stereo = StereoPacking::TopBottomRightFirst;
  view->setPanoramaLayout(layout);
  viewAt(0, -45);
  EXPECT_EQ(framePixel(*view, kWidth / 4, kHeight / 2), (RGB{90, 90, 90}));
  EXPECT_EQ(framePixel(*view, 3 * kWidth / 4, kHeight / 2), ColourCodedPanorama::band(0));
  view->setStereo(false);
  viewAt(0, -45);
  EXPECT_EQ(framePixel(*view, kWidth / 2, kHeight / 2), (RGB{90, 90, 90}));
}

TEST_F(PanoramaLayoutGLTest, ContentLayoutAppliesUnlessTheHostSetOne) {
  // A 4:1 picture without metadata is a band; the asset's metadata wins over the last image's.
  ASSERT_TRUE(view->setImage(ColourCodedPanorama::make(512, 128)));
  view->update();
  EXPECT_EQ(view->panoramaLayout().area, (PanoramaArea{0, 0.25, 1, 0.75}));
  PanoramaLayout host;
  host.stereo = StereoPacking::SideBySide;
  view->setPanoramaLayout(host);
  view->update();
  EXPECT_EQ(view->panoramaLayout(), host);
  view->usePanoramaMetadata();
  view->update();
  EXPECT_EQ(view->panoramaLayout().area, (PanoramaArea{0, 0.25, 1, 0.75}));

  struct TaggedAsset : HostAsset {
    std::optional<PanoramaLayout> panoramaLayout() override { return layout; }
    PanoramaLayout layout;
  };
  auto asset = std::make_shared<TaggedAsset>();
  asset->layout.stereo = StereoPacking::TopBottom;
  view->displayAsset(asset);
  view->update();
  EXPECT_EQ(view->panoramaLayout(), asset->layout);
  view->displayAsset(nullptr);
}

// The 180-degree picture against v360's view of the same picture padded with black to a whole panorama
// (v360's own half-equirectangular input repeats the edge behind instead of leaving it black), in front,
// across the edge and near the poles. The two resample differently (v360 bilinear per output pixel, the view
// per texel over a 60x60 sphere mesh), which costs about 0.02 of correlation on this picture's sharp edges; a
// picture laid wrongly (mirrored, shifted by even a few degrees, stretched to 360) falls below 0.9.
TEST_F(PanoramaLayoutGLTest, HalfSphereMatchesV360) {
  const std::string source = scratch() + "/half.png";
  ASSERT_TRUE(
      run("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=512x512 -frames:v 1 '" + source + "'"));
  auto image = Image::fromFile(source);
  ASSERT_TRUE(image && view->setImage(image));
  PanoramaLayout layout;
  layout.area = {0.25, 0, 0.75, 1};
  view->setPanoramaLayout(layout);
  const float directions[][2] = {{0, 0}, {40, 20}, {-60, -30}, {80, 0}, {10, 75}, {-20, -80}};
  for (const auto& d : directions) {
    SCOPED_TRACE(testing::Message() << "yaw " << d[0] << " pitch " << d[1]);
    const std::vector<double> reference = v360View(source, "pad=1024:512:256:0:black,", "e", d[0], d[1]);
    ASSERT_FALSE(reference.empty());
    const double ncc = correlation(viewAt(d[0], d[1]), reference);
    std::printf("half sphere, yaw %g pitch %g: NCC %.4f\n", d[0], d[1], ncc);
    EXPECT_GT(ncc, 0.98);
  }
  view->setPanoramaLayout({});
  for (const auto& d : directions) {
    const double ncc =
        correlation(viewAt(d[0], d[1]), v360View(source, "pad=1024:512:256:0:black,", "e", d[0], d[1]));
    std::printf("stretched over the sphere, yaw %g pitch %g: NCC %.4f\n", d[0], d[1], ncc);
    EXPECT_LT(ncc, 0.98);
  }
}

// A photo sphere cropped to part of the panorama (its XMP written by exiftool) against the full-size
// panorama with the crop pasted where the XMP says and black around it, drawn by the same view: the same
// picture but for filtering along the crop's edges, measured at 0.997 or more in views across each edge; the
// crop stretched over the whole sphere gives 0.17.
TEST_F(PanoramaLayoutGLTest, CroppedPhotoSphereMatchesThePaddedPanorama) {
  const std::string full = scratch() + "/full.png", cropped = scratch() + "/cropped.jpg";
  ASSERT_TRUE(run("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=1024x512 -frames:v 1 '" + full +
                  "' && ffmpeg -nostdin -v error -y -i '" + full + "' -vf crop=400:250:500:100 -q:v 2 '" +
                  cropped +
                  "' && exiftool -q -overwrite_original -XMP-GPano:ProjectionType=equirectangular "
                  "-XMP-GPano:FullPanoWidthPixels=1024 -XMP-GPano:FullPanoHeightPixels=512 "
                  "-XMP-GPano:CroppedAreaImageWidthPixels=400 -XMP-GPano:CroppedAreaImageHeightPixels=250 "
                  "-XMP-GPano:CroppedAreaLeftPixels=500 -XMP-GPano:CroppedAreaTopPixels=100 '" +
                  cropped + "'"));
  auto crop = Image::fromFile(cropped);
  ASSERT_TRUE(crop && crop->panoramaLayout());
  std::vector<uint8_t> padded(1024 * 512 * 4, 0);
  for (size_t i = 3; i < padded.size(); i += 4) padded[i] = 255;
  for (int y = 0; y < 250; ++y) {
    std::copy_n(crop->rgba().data() + size_t(y) * 400 * 4, 400 * 4,
                padded.data() + (size_t(y + 100) * 1024 + 500) * 4);
  }
  auto paddedView = makeLaidOutView(kWidth, kHeight);
  paddedView->setFieldOfView(kFov);
  ASSERT_TRUE(paddedView->setImage(Image::fromRGBA(1024, 512, std::move(padded))));
  ASSERT_TRUE(view->setImage(crop));

  // The crop spans yaw -4 to 136 and pitch -33 to 55: its middle, then across each edge.
  const float directions[][2] = {{66, 10}, {-4, 10}, {136, 0}, {66, 55}, {66, -33}};
  auto paddedAt = [&](float yaw, float pitch) {
    paddedView->setRotationX(yaw);
    paddedView->setRotationY(pitch);
    paddedView->update();
    int w = 0, h = 0;
    auto frame = static_cast<OffscreenLayer&>(*paddedView->layer()).lastFrame(&w, &h);
    return luma(frame.data(), size_t(w) * size_t(h), 4);
  };
  for (const auto& d : directions) {
    SCOPED_TRACE(testing::Message() << "yaw " << d[0] << " pitch " << d[1]);
    const double ncc = correlation(viewAt(d[0], d[1]), paddedAt(d[0], d[1]));
    std::printf("cropped photo sphere, yaw %g pitch %g: NCC %.4f\n", d[0], d[1], ncc);
    EXPECT_GT(ncc, 0.99);
  }
  view->setPanoramaLayout({});
  const double stretched = correlation(viewAt(66, 10), paddedAt(66, 10));
  std::printf("cropped photo sphere stretched over the sphere: NCC %.4f\n", stretched);
  EXPECT_LT(stretched, 0.99);
}

// The pose turns the picture as the spherical-video metadata defines it: yaw moves what is in front to the
// right, pitch moves it up, roll tilts it clockwise as seen from the centre; applied roll, pitch, then yaw.
TEST_F(PanoramaLayoutGLTest, PoseTurnsThePicture) {
  ASSERT_TRUE(view->setImage(ColourCodedPanorama::make()));
  auto centreAt = [&](float yaw, float pitch) {
    viewAt(yaw, pitch);
    return framePixel(*view, kWidth / 2, kHeight / 2);
  };
  PanoramaLayout layout;
  layout.poseYaw = 90;
  view->setPanoramaLayout(layout);
  EXPECT_EQ(centreAt(90, 0), ColourCodedPanorama::band(0));
  EXPECT_EQ(centreAt(0, 0), ColourCodedPanorama::band(-90));

  layout.poseYaw = 0;
  layout.posePitch = 30;  // the zenith cap tilts back: above the front the band goes on
  view->setPanoramaLayout(layout);
  EXPECT_EQ(centreAt(0, 80), ColourCodedPanorama::band(0));
  EXPECT_EQ(centreAt(180, 40), ColourCodedPanorama::kZenith);

  layout.posePitch = 0;
  layout.poseRoll = 90;  // the zenith comes down on the right
  view->setPanoramaLayout(layout);
  EXPECT_EQ(centreAt(90, 0), ColourCodedPanorama::kZenith);
  EXPECT_EQ(centreAt(-90, 0), ColourCodedPanorama::kNadir);

  layout.poseYaw = 90;  // rolled first, then turned: the zenith is now behind
  view->setPanoramaLayout(layout);
  EXPECT_EQ(centreAt(180, 0), ColourCodedPanorama::kZenith);
}

// A flat video whose display matrix says a quarter turn counter-clockwise: its left edge at the bottom.
TEST_F(PanoramaLayoutGLTest, FlatVideoFollowsTheDisplayMatrix) {
  struct TurnedAsset : HostAsset {
    int32_t displayRotation() override { return 90; }
  };
  const int w = 64, h = 32;
  std::vector<uint8_t> bgra(size_t(w) * h * 4);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &bgra[(size_t(y) * w + x) * 4];
      p[0] = 0, p[1] = x < w / 2 ? 0 : 255, p[2] = x < w / 2 ? 255 : 0, p[3] = 255;  // red left, green right
    }
  }
  auto frame = PixelBuffer::createWithBytes(w, h, bgra.data(), size_t(w) * 4);
  view->displayAsset(std::make_shared<TurnedAsset>());
  view->update();  // makes the texture cache
  view->onImageBuffer(frame.get(), 0, 0, w, h);
  view->setViewMode(1, 2.0f);
  view->update();
  EXPECT_EQ(framePixel(*view, kWidth / 2, kHeight / 4), (RGB{0, 255, 0}));
  EXPECT_EQ(framePixel(*view, kWidth / 2, 3 * kHeight / 4), (RGB{255, 0, 0}));
  view->displayAsset(nullptr);
}

}  // namespace
