// Cube-map pictures through the whole view against ffmpeg's v360 filter: one synthetic panorama is turned
// into each cube layout by the filter, shown by the view at a direction, and compared with the filter's own
// flat view of the same cube map (normalised cross-correlation). Views straddle face edges and look at both
// poles. The panorama colours every direction by its axis components (red to the right, green up) with a
// three-dimensional checker in blue, so a face turned, mirrored or misplaced loses the correlation.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "qv/os/Image.h"
#include "qv/os/OffscreenLayer.h"
#include "qv/os/PixelBuffer.h"
#include "qv/render/CubeMapMesh.h"
#include "tests/support/HostAsset.h"
#include "tests/support/ViewTestSupport.h"

namespace {

constexpr int kPanoWidth = 1024, kPanoHeight = 512;
constexpr int kViewSize = 192;
constexpr float kFieldOfView = 75;

// The source panorama, RGBA: longitude across (0 at the centre, growing to the right), latitude down.
std::vector<uint8_t> makePanorama() {
  std::vector<uint8_t> rgba(size_t(kPanoWidth) * kPanoHeight * 4);
  for (int j = 0; j < kPanoHeight; ++j) {
    const double lat = (0.5 - (j + 0.5) / kPanoHeight) * M_PI;
    for (int i = 0; i < kPanoWidth; ++i) {
      const double lon = ((i + 0.5) / kPanoWidth - 0.5) * 2 * M_PI;
      const double x = std::sin(lon) * std::cos(lat), y = std::sin(lat), z = std::cos(lon) * std::cos(lat);
      const bool checker = std::sin(9 * x) * std::sin(9 * y) * std::sin(9 * z) > 0;
      uint8_t* p = &rgba[(size_t(j) * kPanoWidth + i) * 4];
      p[0] = uint8_t(127.5 + 127 * x), p[1] = uint8_t(127.5 + 127 * y), p[2] = checker ? 230 : 25, p[3] = 255;
    }
  }
  return rgba;
}

// A folder for the filter's files, removed with the fixture.
struct Scratch {
  std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("qv-cube-" + std::to_string(::getpid()));
  Scratch() { std::filesystem::create_directories(dir); }
  ~Scratch() { std::filesystem::remove_all(dir); }
  std::string operator/(const std::string& name) const { return (dir / name).string(); }
};

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return bool(out);
}

// ffmpeg reading raw RGBA of `size` from `in` through `filter`, the result as raw RGBA; empty on failure.
std::vector<uint8_t> filterRaw(const std::string& in, const std::string& size, const std::string& filter,
                               size_t expectBytes) {
  const std::string command = "ffmpeg -nostdin -hide_banner -v error -f rawvideo -pix_fmt rgba -s " + size +
                              " -i '" + in + "' -vf '" + filter + "' -f rawvideo -pix_fmt rgba -";
  std::vector<uint8_t> out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return out;
  std::vector<uint8_t> chunk(1 << 16);
  size_t n;
  while ((n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
    out.insert(out.end(), chunk.begin(), chunk.begin() + n);
  if (::pclose(pipe) != 0 || out.size() != expectBytes) out.clear();
  return out;
}

// Normalised cross-correlation of the RGB channels of two RGBA pictures of one size.
double correlation(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  double meanA = 0, meanB = 0, n = 0;
  for (size_t i = 0; i < a.size(); ++i)
    if (i % 4 != 3) meanA += a[i], meanB += b[i], ++n;
  meanA /= n, meanB /= n;
  double ab = 0, aa = 0, bb = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    if (i % 4 == 3) continue;
    const double da = a[i] - meanA, db = b[i] - meanB;
    ab += da * db, aa += da * da, bb += db * db;
  }
  return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}

// The existing equirectangular sphere scores 0.997 and above against the filter on these views (the
// baseline test below); the filter's own resampling and the sphere's tessellation account for the rest. A
// face turned the wrong way scores far below (the control below), so 0.99 keeps both apart with margin.
constexpr double kMinCorrelation = 0.99;

struct Direction {
  float yaw, pitch;  // degrees: yaw to the right, pitch up
};

// Each direction's view crosses at least one face edge, or looks at a pole.
const Direction kViews[] = {
    {45, 0},     // front | right
    {-135, 0},   // back | left
    {100, 40},   // right | up, near a corner
    {0, 45},     // front | up
    {-90, -45},  // left | down
    {30, 90},    // the zenith: up and its four neighbours' corners
    {-60, -90},  // the nadir
};

// One cube layout: how the filter writes it and reads it back, and what the view is told.
struct CubeCase {
  const char* name;
  std::string filterName;  // v360's name of the layout
  int width, height;       // of the cube-map picture
  std::string options;     // v360 face rotations and padding, as output (writing) options
  std::string inputOptions;
  PanoramaLayout layout;
};

PanoramaLayout layoutOf(PanoramaProjection projection,
                        CubeFaceOrientation faces = CubeFaceOrientation::Converter, int32_t padding = 0) {
  PanoramaLayout layout;
  layout.projection = projection;
  layout.cubeFaces = faces;
  layout.cubePadding = padding;
  return layout;
}

// The filter's padding is the total of both sides of a face; metadata counts one side.
const CubeCase kCases[] = {
    {"3x2", "c3x2", 768, 512, "", "", layoutOf(PanoramaProjection::CubeMap3x2)},
    {"equi-angular", "eac", 768, 512, "", "", layoutOf(PanoramaProjection::EquiAngularCubeMap)},
    {"6x1", "c6x1", 1536, 256, "", "", layoutOf(PanoramaProjection::CubeMap6x1)},
    {"3x2 as metadata declares, padded", "c3x2", 768, 512, ":out_frot=002200:fout_pad=8",
     ":in_frot=002200:fin_pad=8", layoutOf(PanoramaProjection::CubeMap3x2, CubeFaceOrientation::Metadata, 4)},
};

class CubeMapGLTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    scratch = std::make_unique<Scratch>();
    ASSERT_TRUE(writeFile(*scratch / "pano.rgba", makePanorama()));
  }
  static void TearDownTestSuite() { scratch.reset(); }

  void SetUp() override {
    view = makeLaidOutView(kViewSize, kViewSize);
    ASSERT_TRUE(view);
    view->setBlindSpotImage(std::nullopt);
    view->setFieldOfView(kFieldOfView);
  }

  // The cube map the filter writes for `c` from the panorama (turned by `yaw` degrees), as RGBA.
  static std::vector<uint8_t> cubeMap(const CubeCase& c, int yaw = 0) {
    return filterRaw(*scratch / "pano.rgba", std::to_string(kPanoWidth) + "x" + std::to_string(kPanoHeight),
                     "v360=e:" + c.filterName + ":w=" + std::to_string(c.width) +
                         ":h=" + std::to_string(c.height) + ":yaw=" + std::to_string(yaw) + c.options,
                     size_t(c.width) * c.height * 4);
  }

  // The filter's flat view, `width` x `height`, of the picture in `file` (of `size`, projection `input`)
  // at `d`, with the view's vertical field of view.
  static std::vector<uint8_t> filterView(const std::string& file, const std::string& size,
                                         const std::string& input, const std::string& inputOptions,
                                         Direction d, int width = kViewSize, int height = kViewSize) {
    const double hfov = 2 * std::atan(std::tan(kFieldOfView / 2 * M_PI / 180) * width / height) * 180 / M_PI;
    return filterRaw(file, size,
                     "v360=" + input + ":flat" + inputOptions + ":yaw=" + std::to_string(d.yaw) +
                         ":pitch=" + std::to_string(d.pitch) + ":h_fov=" + std::to_string(hfov) +
                         ":v_fov=" + std::to_string(kFieldOfView) + ":w=" + std::to_string(width) +
                         ":h=" + std::to_string(height) + ":interp=linear",
                     size_t(width) * height * 4);
  }

  // The view's frame at `d`, RGBA, top row first.
  std::vector<uint8_t> viewAt(Direction d) {
    view->setRotationX(d.yaw);
    view->setRotationY(d.pitch);
    view->update();
    int w = 0, h = 0;
    return static_cast<OffscreenLayer&>(*view->layer()).lastFrame(&w, &h);
  }

  // The correlation of the view with the filter's view of the cube map `c` in `file`, at `d`.
  double scoreAt(const CubeCase& c, const std::string& file, Direction d) {
    const auto theirs = filterView(file, std::to_string(c.width) + "x" + std::to_string(c.height),
                                   c.filterName, c.inputOptions, d);
    EXPECT_FALSE(theirs.empty()) << "ffmpeg could not make the reference view";
    return theirs.empty() ? 0 : correlation(viewAt(d), theirs);
  }

  // In a stereo view at `d`, each eye's half matches the filter's view of that eye's 3x2 picture (the
  // scratch files left.rgba and right.rgba, `size` each) and not the other eye's.
  void expectEachEyeShowsItsOwnPicture(const std::string& size, Direction d, const char* label) {
    const auto pair = viewAt(d);
    const int half = kViewSize / 2;
    for (int eye = 0; eye < 2; ++eye) {
      std::vector<uint8_t> ours;
      for (int y = 0; y < kViewSize; ++y) {
        const auto row = pair.begin() + (ptrdiff_t(y) * kViewSize + eye * half) * 4;
        ours.insert(ours.end(), row, row + half * 4);
      }
      const auto own =
          filterView(*scratch / (eye ? "right.rgba" : "left.rgba"), size, "c3x2", "", d, half, kViewSize);
      const auto other =
          filterView(*scratch / (eye ? "left.rgba" : "right.rgba"), size, "c3x2", "", d, half, kViewSize);
      const double ncc = correlation(ours, own);
      std::printf("%s, eye %d: NCC %.4f\n", label, eye, ncc);
      EXPECT_GE(ncc, kMinCorrelation) << label << ", eye " << eye;
      EXPECT_LT(correlation(ours, other), kMinCorrelation - 0.1) << label << ", eye " << eye;
    }
  }

  static std::unique_ptr<Scratch> scratch;
  std::shared_ptr<QVViewGL> view;
};

std::unique_ptr<Scratch> CubeMapGLTest::scratch;

// The existing sphere on the source panorama: the comparison's own baseline, from which the threshold is set.
TEST_F(CubeMapGLTest, EquirectangularSphereMatchesTheFilter) {
  ASSERT_TRUE(view->setImage(Image::fromRGBA(kPanoWidth, kPanoHeight, makePanorama())));
  for (const Direction& d : kViews) {
    const auto theirs = filterView(*scratch / "pano.rgba", "1024x512", "e", "", d);
    ASSERT_FALSE(theirs.empty());
    const double ncc = correlation(viewAt(d), theirs);
    std::printf("equirectangular yaw %g pitch %g: NCC %.4f\n", d.yaw, d.pitch, ncc);
    EXPECT_GE(ncc, kMinCorrelation) << "yaw " << d.yaw << " pitch " << d.pitch;
  }
}

TEST_F(CubeMapGLTest, EachLayoutMatchesTheFilterAcrossEdgesAndAtThePoles) {
  for (const CubeCase& c : kCases) {
    const auto cube = cubeMap(c);
    ASSERT_FALSE(cube.empty()) << c.name;
    const std::string file = *scratch / "cube.rgba";
    ASSERT_TRUE(writeFile(file, cube));
    view->setPanoramaLayout(c.layout);
    ASSERT_TRUE(view->setImage(Image::fromRGBA(c.width, c.height, cube)));
    for (const Direction& d : kViews) {
      const double ncc = scoreAt(c, file, d);
      std::printf("%s yaw %g pitch %g: NCC %.4f\n", c.name, d.yaw, d.pitch, ncc);
      EXPECT_GE(ncc, kMinCorrelation) << c.name << " yaw " << d.yaw << " pitch " << d.pitch;
    }
  }
}

// The control: a cube map whose pole faces are turned as metadata declares, shown as if the converter had
// written it, must fail the comparison at the poles (while the side faces, alike in both, still pass).
TEST_F(CubeMapGLTest, PoleFacesTurnedTheOtherWayFailTheComparison) {
  const CubeCase& metadata = kCases[3];
  const auto cube = cubeMap(metadata);
  ASSERT_FALSE(cube.empty());
  const std::string file = *scratch / "cube.rgba";
  ASSERT_TRUE(writeFile(file, cube));
  PanoramaLayout wrong = metadata.layout;
  wrong.cubeFaces = CubeFaceOrientation::Converter;
  view->setPanoramaLayout(wrong);
  ASSERT_TRUE(view->setImage(Image::fromRGBA(metadata.width, metadata.height, cube)));
  for (const Direction& d : {Direction{30, 90}, Direction{-60, -90}}) {
    const double ncc = scoreAt(metadata, file, d);
    std::printf("pole faces turned the other way, yaw %g pitch %g: NCC %.4f\n", d.yaw, d.pitch, ncc);
    EXPECT_LT(ncc, kMinCorrelation - 0.1);
  }
  EXPECT_GE(scoreAt(metadata, file, {45, 0}), kMinCorrelation);
}

// Every face a flat colour in a frame of another colour, with faces of a few texels: across each kind of
// edge every pixel shows one face's colour alone, never a blend with a neighbouring cell or the frame.
TEST_F(CubeMapGLTest, LinearFilteringNeverReadsANeighbouringCell) {
  const RGB colours[6] = {{255, 0, 0},   {0, 255, 0},   {0, 0, 255},
                          {255, 255, 0}, {0, 255, 255}, {255, 255, 255}};
  struct Layout {
    PanoramaLayout layout;
    int width, height;
  };
  const Layout layouts[] = {{kCases[0].layout, 48, 32},
                            {kCases[1].layout, 52, 40},
                            {kCases[2].layout, 96, 16},
                            {kCases[3].layout, 60, 40}};
  for (const Layout& l : layouts) {
    std::vector<uint8_t> rgba(size_t(l.width) * l.height * 4, 255);
    for (size_t i = 0; i < rgba.size(); i += 4) rgba[i] = 128, rgba[i + 1] = 0, rgba[i + 2] = 128;
    const CubeFaceGrid grid = cubeFaceGrid(l.layout.projection, l.layout.cubeFaces);
    for (size_t f = 0; f < 6; ++f) {
      const PanoramaArea face = cubeFacePixels(l.layout, grid.faces[f], l.width, l.height);
      for (int y = int(face.top); y < int(face.bottom); ++y)
        for (int x = int(face.left); x < int(face.right); ++x)
          std::copy(colours[f].begin(), colours[f].end(), &rgba[(size_t(y) * l.width + x) * 4]);
    }
    view->setPanoramaLayout(l.layout);
    ASSERT_TRUE(view->setImage(Image::fromRGBA(l.width, l.height, rgba)));
    for (const Direction& d : kViews) {
      const auto frame = viewAt(d);
      int blended = 0;
      for (size_t i = 0; i < frame.size(); i += 4) {
        bool pure = false;
        for (const RGB& c : colours)
          pure = pure || (std::abs(frame[i] - c[0]) <= 3 && std::abs(frame[i + 1] - c[1]) <= 3 &&
                          std::abs(frame[i + 2] - c[2]) <= 3);
        blended += pure ? 0 : 1;
      }
      EXPECT_EQ(blended, 0) << "projection " << int(l.layout.projection) << " yaw " << d.yaw << " pitch "
                            << d.pitch;
    }
  }
}

// A top-bottom stereo cube map arriving as video frames: the mono view shows the upper (left-eye) picture,
// and the stereo pair gives each eye its own half. The two eyes' pictures are the panorama turned apart.
TEST_F(CubeMapGLTest, StereoPackedVideoGivesEachEyeItsHalf) {
  const CubeCase& c = kCases[0];
  const auto left = cubeMap(c), right = cubeMap(c, 90);
  ASSERT_FALSE(left.empty());
  ASSERT_FALSE(right.empty());
  ASSERT_TRUE(writeFile(*scratch / "left.rgba", left));
  ASSERT_TRUE(writeFile(*scratch / "right.rgba", right));
  std::vector<uint8_t> bgra(left.size() * 2);
  for (size_t i = 0; i < bgra.size(); i += 4) {
    const uint8_t* p = i < left.size() ? &left[i] : &right[i - left.size()];
    bgra[i] = p[2], bgra[i + 1] = p[1], bgra[i + 2] = p[0], bgra[i + 3] = 255;
  }
  auto frame = PixelBuffer::createWithBytes(c.width, c.height * 2, bgra.data(), size_t(c.width) * 4);
  ASSERT_TRUE(frame);
  view->displayAsset(std::make_shared<HostAsset>());
  view->update();
  view->onImageBuffer(frame.get(), 0, 0, c.width, c.height * 2);
  PanoramaLayout layout = c.layout;
  layout.stereo = StereoPacking::TopBottom;
  view->setPanoramaLayout(layout);
  const std::string size = std::to_string(c.width) + "x" + std::to_string(c.height);

  const Direction d{45, 20};
  const auto mono = viewAt(d);
  EXPECT_GE(correlation(mono, filterView(*scratch / "left.rgba", size, "c3x2", "", d)), kMinCorrelation);
  EXPECT_LT(correlation(mono, filterView(*scratch / "right.rgba", size, "c3x2", "", d)),
            kMinCorrelation - 0.1);

  view->setStereo(true);
  expectEachEyeShowsItsOwnPicture(size, d, "stereo 3x2");
}

// A cube map delivered as a texture pair is its left and right halves: a 3x2 picture split down its middle
// (through the left and front faces) matches the filter's view of the whole picture across the split, and
// a side-by-side stereo cube map delivered as each eye's texture gives each eye its own.
TEST_F(CubeMapGLTest, TexturePairIsThePicturesTwoHalves) {
  const CubeCase& c = kCases[0];
  const auto left = cubeMap(c), right = cubeMap(c, 90);
  ASSERT_FALSE(left.empty());
  ASSERT_FALSE(right.empty());
  ASSERT_TRUE(writeFile(*scratch / "left.rgba", left));
  ASSERT_TRUE(writeFile(*scratch / "right.rgba", right));
  // Columns [from, from + width) of an RGBA picture c.width wide, as BGRA.
  auto columns = [&](const std::vector<uint8_t>& rgba, int from, int width) {
    std::vector<uint8_t> bgra;
    for (int y = 0; y < c.height; ++y) {
      for (int x = from; x < from + width; ++x) {
        const uint8_t* p = &rgba[(size_t(y) * c.width + x) * 4];
        bgra.insert(bgra.end(), {p[2], p[1], p[0], 255});
      }
    }
    return bgra;
  };
  view->displayAsset(std::make_shared<HostAsset>());
  view->update();
  auto deliver = [&](std::vector<uint8_t>& first, std::vector<uint8_t>& second, int width) {
    auto a = PixelBuffer::createWithBytes(width, c.height, first.data(), size_t(width) * 4);
    auto b = PixelBuffer::createWithBytes(width, c.height, second.data(), size_t(width) * 4);
    ASSERT_TRUE(a && b);
    view->onImageBuffer2(a.get(), b.get(), 0, 0, width * 2, c.height);
  };
  auto leftHalf = columns(left, 0, c.width / 2), rightHalf = columns(left, c.width / 2, c.width / 2);
  deliver(leftHalf, rightHalf, c.width / 2);
  view->setPanoramaLayout(c.layout);
  // Across the split in the left face and in the front face, and one view from each half alone.
  for (const Direction d :
       {Direction{-90, 0}, Direction{0, 0}, Direction{0, -30}, Direction{90, 10}, Direction{-150, 0}}) {
    const double ncc = scoreAt(c, *scratch / "left.rgba", d);
    std::printf("3x2 as a texture pair at yaw %g pitch %g: NCC %.4f\n", d.yaw, d.pitch, ncc);
    EXPECT_GE(ncc, kMinCorrelation) << "yaw " << d.yaw << " pitch " << d.pitch;
  }

  auto leftEye = columns(left, 0, c.width), rightEye = columns(right, 0, c.width);
  deliver(leftEye, rightEye, c.width);
  PanoramaLayout layout = c.layout;
  layout.stereo = StereoPacking::SideBySide;
  view->setPanoramaLayout(layout);
  view->setStereo(true);
  const Direction d{45, 20};
  const std::string size = std::to_string(c.width) + "x" + std::to_string(c.height);
  expectEachEyeShowsItsOwnPicture(size, d, "stereo 3x2 as each eye's texture");
}

}  // namespace
