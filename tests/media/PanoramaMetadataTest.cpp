// What video files say about their panorama, read back through the video asset: Matroska files tagged with
// mkvpropedit, MP4 files that ffmpeg remuxed from them with the side data, and metadata that cannot be
// shown, which is ignored with one log line.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "VideoTestSupport.h"
#include "qv/core/QVObjectFactory.h"
#include "qv/media/QVVideoStreamAsset.h"
#include "tests/support/LogCapture.h"

using namespace qv;

namespace {

constexpr int32_t kReadyStatus = 1;

// A ProjectionPrivate for the equirectangular projection: version and flags, then the bounds top, bottom,
// left and right as 0.32 fixed-point fractions of the whole panorama.
std::string boundsHex(uint32_t top, uint32_t bottom, uint32_t left, uint32_t right) {
  char hex[41];
  std::snprintf(hex, sizeof hex, "00000000%08x%08x%08x%08x", top, bottom, left, right);
  return hex;
}

class PanoramaMetadataTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = std::make_unique<TempDir>();
    plain = dir->path() + "/plain.mkv";
    if (!runFFmpeg("-f lavfi -i testsrc=size=128x64:rate=10:duration=0.3 -c:v mpeg4 '" + plain + "'")) {
      plain.clear();
    }
  }
  static void TearDownTestSuite() { dir.reset(); }
  void SetUp() override {
    ASSERT_FALSE(plain.empty()) << "ffmpeg could not make the test clip";
    RunLoop::main().useRealClock();
    RunLoop::main().adoptCurrentThread();
  }
  void TearDown() override {
    asset.reset();
    EXPECT_TRUE(pumpUntil([] { return captureThreads() == 0; }, 5.0));
  }

  // A copy of the plain clip whose video track mkvpropedit gave `properties` ("--set name=value ...").
  static std::string tagged(const std::string& name, const std::string& properties) {
    const std::string path = dir->path() + "/" + name + ".mkv";
    const std::string command = "cp '" + plain + "' '" + path + "' && mkvpropedit -q '" + path +
                                "' --edit track:v1 " + properties + " > /dev/null";
    return std::system(command.c_str()) == 0 ? path : std::string();
  }
  // The same file remuxed to MP4, the side data written as spherical-video boxes.
  static std::string remuxedToMP4(const std::string& path) {
    const std::string mp4 = path + ".mp4";
    return runFFmpeg("-i '" + path + "' -c copy -strict unofficial '" + mp4 + "'") ? mp4 : std::string();
  }
  // The layout the asset reports once it is loaded (status 1 comes after the one probe of the file).
  std::optional<PanoramaLayout> layoutOf(const std::string& path) {
    asset = QVObjectFactory::assetFromUrl(fileURL(path), {});
    EXPECT_TRUE(pumpUntil([&] { return asset->getStatus() == kReadyStatus; })) << path;
    return asset->panoramaLayout();
  }

  static inline std::unique_ptr<TempDir> dir;
  static inline std::string plain;
  std::shared_ptr<QVVideoStreamAsset> asset;
};

TEST_F(PanoramaMetadataTest, VideoWithoutMetadataSaysNothing) {
  EXPECT_FALSE(layoutOf(plain).has_value());
  EXPECT_EQ(asset->displayRotation(), 0);
}

TEST_F(PanoramaMetadataTest, StereoPackingsAndPoseFromMatroskaAndMP4) {
  struct Case {
    const char* name;
    std::string properties;
    StereoPacking stereo;
  };
  // Matroska stereo modes: 1 side by side with the left eye first, 3 top-bottom with the left eye first;
  // 11 and 2 the same with the right eye first.
  const Case cases[] = {
      {"tb", "--set stereo-mode=3 --set projection-type=1", StereoPacking::TopBottom},
      {"sbs", "--set stereo-mode=1 --set projection-type=1", StereoPacking::SideBySide},
      {"tbrl", "--set stereo-mode=2 --set projection-type=1", StereoPacking::TopBottomRightFirst},
      {"sbsrl", "--set stereo-mode=11 --set projection-type=1", StereoPacking::SideBySideRightFirst},
      {"mono",
       "--set projection-type=1 --set projection-pose-yaw=30 --set projection-pose-pitch=-10 "
       "--set projection-pose-roll=5",
       StereoPacking::Mono},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string mkv = tagged(c.name, c.properties);
    ASSERT_FALSE(mkv.empty());
    // MP4's stereo box has no right-eye-first packing, so those stay in Matroska.
    const bool rightFirst =
        c.stereo == StereoPacking::TopBottomRightFirst || c.stereo == StereoPacking::SideBySideRightFirst;
    const std::string mp4 = rightFirst ? mkv : remuxedToMP4(mkv);
    ASSERT_FALSE(mp4.empty());
    for (const std::string& path : {mkv, mp4}) {
      const std::optional<PanoramaLayout> layout = layoutOf(path);
      ASSERT_TRUE(layout.has_value()) << path;
      EXPECT_EQ(layout->projection, PanoramaProjection::Equirectangular);
      EXPECT_EQ(layout->stereo, c.stereo);
      EXPECT_TRUE(layout->area.whole());
      if (c.stereo == StereoPacking::Mono) {
        EXPECT_DOUBLE_EQ(layout->poseYaw, 30);
        EXPECT_DOUBLE_EQ(layout->posePitch, -10);
        EXPECT_DOUBLE_EQ(layout->poseRoll, 5);
      }
    }
  }
}

TEST_F(PanoramaMetadataTest, BoundsGiveTheCoveredArea) {
  // 180 degrees: a quarter of the width cut off on each side; and a crop off centre in both directions.
  const std::string half = tagged(
      "half", "--set projection-type=1 --set projection-private=" + boundsHex(0, 0, 0x40000000, 0x40000000));
  const std::string corner = tagged("corner", "--set projection-type=1 --set projection-private=" +
                                                  boundsHex(0x20000000, 0x40000000, 0x80000000, 0x10000000));
  for (const std::string& path : {half, remuxedToMP4(half)}) {
    const std::optional<PanoramaLayout> layout = layoutOf(path);
    ASSERT_TRUE(layout.has_value()) << path;
    EXPECT_EQ(layout->area, (PanoramaArea{0.25, 0, 0.75, 1}));
    EXPECT_EQ(describePanoramaLayout(*layout), "mono, equirectangular 180");
  }
  const std::optional<PanoramaLayout> layout = layoutOf(corner);
  ASSERT_TRUE(layout.has_value());
  EXPECT_EQ(layout->area, (PanoramaArea{0.5, 0.125, 0.9375, 0.75}));
}

TEST_F(PanoramaMetadataTest, MetadataThatCannotBeShownIsIgnoredWithOneLine) {
  struct Case {
    const char* name;
    std::string properties;
    const char* line;  // what the line says
    size_t most;       // FFmpeg warns each time the file is opened: the probe, then the player, which may
                       // open it only after the layout was read
  };
  // FFmpeg drops a projection it does not know with a warning of its own; the kit refuses a stereo packing
  // it cannot show (Matroska's 5: the eyes in a checkerboard).
  const Case cases[] = {
      {"unknown", "--set projection-type=3", "Unknown spherical metadata", 2},
      {"checkerboard", "--set stereo-mode=5", "panorama metadata ignored (unsupported stereo packing", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = tagged(c.name, c.properties);
    ASSERT_FALSE(path.empty());
    LogCapture log;
    EXPECT_FALSE(layoutOf(path).has_value());
    size_t lines = 0;
    for (const std::string& line : log.lines) lines += line.find(c.line) != std::string::npos;
    EXPECT_GE(lines, 1u);
    EXPECT_LE(lines, c.most);
  }
}

TEST_F(PanoramaMetadataTest, OverlappingBoundsFailTheFileWithItsReason) {
  // FFmpeg's Matroska reader refuses the whole file, so the asset fails (status 9) and says why.
  const std::string path = tagged("overlap", "--set projection-type=1 --set projection-private=" +
                                                 boundsHex(0, 0, 0x90000000, 0x80000000));
  ASSERT_FALSE(path.empty());
  asset = QVObjectFactory::assetFromUrl(fileURL(path), {});
  ASSERT_TRUE(pumpUntil([&] { return asset->getStatus() == 9; }));
  EXPECT_NE(asset->failureReason().find("Invalid data"), std::string::npos) << asset->failureReason();
  EXPECT_FALSE(asset->panoramaLayout().has_value());
}

TEST_F(PanoramaMetadataTest, DisplayMatrixTurnsFlatVideo) {
  const std::string path = dir->path() + "/turned.mp4";
  ASSERT_TRUE(runFFmpeg("-i '" + plain + "' -c copy -metadata:s:v rotate=90 '" + path + "'"));
  EXPECT_FALSE(layoutOf(path).has_value());
  EXPECT_EQ(asset->displayRotation(), 90);
}

}  // namespace
