// What JPEG photo spheres say about their panorama: XMP written by exiftool, read back through Image; the
// band a picture without metadata covers; metadata that cannot be shown, ignored with one log line.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "qv/os/Image.h"
#include "qv/os/PhotoSphereXmp.h"
#include "tests/support/LogCapture.h"

using namespace qv;

namespace {

class PhotoSphereXmpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/qvxmpXXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // A 200x100 JPEG, then exiftool with `arguments` ("-XMP-GPano:Name=value ..."); empty on failure.
  std::string photo(const std::string& name, const std::string& arguments) {
    const std::string path = dir_ + "/" + name + ".jpg";
    std::string command =
        "ffmpeg -nostdin -v error -y -f lavfi -i color=gray:size=200x100 -frames:v 1 '" + path + "'";
    if (!arguments.empty()) command += " && exiftool -q -overwrite_original " + arguments + " '" + path + "'";
    return std::system(command.c_str()) == 0 ? path : std::string();
  }
  // A photo whose XMP packet is `description`'s attributes as they stand (values exiftool would refuse).
  std::string photoWithRawXmp(const std::string& name, const std::string& attributes) {
    const std::string xmp = dir_ + "/" + name + ".xmp";
    std::ofstream(xmp) << "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?>\n"
                          "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
                          "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>\n"
                          "<rdf:Description rdf:about='' "
                          "xmlns:GPano='http://ns.google.com/photos/1.0/panorama/' "
                       << attributes << "/>\n</rdf:RDF></x:xmpmeta>\n<?xpacket end='w'?>\n";
    return photo(name, "'-xmp<=" + xmp + "'");
  }

  std::string dir_;
};

const std::string kCrop =
    "-XMP-GPano:FullPanoWidthPixels=800 -XMP-GPano:FullPanoHeightPixels=400 "
    "-XMP-GPano:CroppedAreaImageWidthPixels=200 -XMP-GPano:CroppedAreaImageHeightPixels=100 ";

TEST_F(PhotoSphereXmpTest, ProjectionCropAndPoseReadBack) {
  const std::string whole =
      photo("whole", "-XMP-GPano:ProjectionType=equirectangular -XMP-GPano:UsePanoramaViewer=True");
  const std::string cropped =
      photo("cropped", "-XMP-GPano:ProjectionType=equirectangular " + kCrop +
                           "-XMP-GPano:CroppedAreaLeftPixels=500 -XMP-GPano:CroppedAreaTopPixels=50 "
                           "-XMP-GPano:PoseHeadingDegrees=90 -XMP-GPano:PosePitchDegrees=-5 "
                           "-XMP-GPano:PoseRollDegrees=2.5");
  // The same crop in the attribute form other writers use.
  const std::string attributes =
      photoWithRawXmp("attributes",
                      "GPano:ProjectionType='equirectangular' GPano:FullPanoWidthPixels='800' "
                      "GPano:FullPanoHeightPixels='400' "
                      "GPano:CroppedAreaImageWidthPixels='200' GPano:CroppedAreaImageHeightPixels=\"100\" "
                      "GPano:CroppedAreaLeftPixels='500' GPano:CroppedAreaTopPixels='50'");
  ASSERT_FALSE(whole.empty() || cropped.empty() || attributes.empty());

  auto image = Image::fromFile(whole);
  ASSERT_TRUE(image && image->panoramaLayout());
  EXPECT_EQ(*image->panoramaLayout(), PanoramaLayout{});

  for (const std::string& path : {cropped, attributes}) {
    image = Image::fromFile(path);
    ASSERT_TRUE(image && image->panoramaLayout()) << path;
    EXPECT_EQ(image->panoramaLayout()->area, (PanoramaArea{0.625, 0.125, 0.875, 0.375})) << path;
  }
  image = Image::fromFile(cropped);
  EXPECT_DOUBLE_EQ(image->panoramaLayout()->poseYaw, 90);
  EXPECT_DOUBLE_EQ(image->panoramaLayout()->posePitch, -5);
  EXPECT_DOUBLE_EQ(image->panoramaLayout()->poseRoll, 2.5);
}

TEST_F(PhotoSphereXmpTest, PhotosWithoutPhotoSphereMetadataSayNothing) {
  // No XMP at all, and XMP of other kinds (a title, and crop fields without a projection).
  for (const std::string& path :
       {photo("plain", ""), photo("titled", "-XMP-dc:Title=holiday"), photo("noprojection", kCrop)}) {
    ASSERT_FALSE(path.empty());
    auto image = Image::fromFile(path);
    ASSERT_TRUE(image);
    EXPECT_FALSE(image->panoramaLayout().has_value()) << path;
  }
}

TEST_F(PhotoSphereXmpTest, MetadataThatCannotBeShownIsIgnoredWithOneLine) {
  struct Case {
    std::string path;
    const char* reason;
  };
  const Case cases[] = {
      {photo("cylinder", "-XMP-GPano:ProjectionType=cylindrical"), "unknown projection cylindrical"},
      {photo("toolarge",
             "-XMP-GPano:ProjectionType=equirectangular " + kCrop + "-XMP-GPano:CroppedAreaLeftPixels=700"),
       "crop larger than the full panorama"},
      {photo("incomplete", "-XMP-GPano:ProjectionType=equirectangular -XMP-GPano:FullPanoWidthPixels=800"),
       "incomplete crop"},
      {photoWithRawXmp("nanpose", "GPano:ProjectionType='equirectangular' GPano:PoseHeadingDegrees='nan'"),
       "pose is not an angle"},
      {photoWithRawXmp("textpose", "GPano:ProjectionType='equirectangular' GPano:PosePitchDegrees='level'"),
       "pose is not an angle"},
  };
  for (const Case& c : cases) {
    ASSERT_FALSE(c.path.empty());
    LogCapture log;
    auto image = Image::fromFile(c.path);
    ASSERT_TRUE(image) << c.path;  // the picture is still shown, as plain equirectangular
    EXPECT_FALSE(image->panoramaLayout().has_value()) << c.path;
    ASSERT_EQ(log.lines.size(), 1u) << c.path;
    EXPECT_NE(log.lines[0].find(std::string("panorama metadata ignored (") + c.reason), std::string::npos)
        << log.lines[0];
  }
}

// The initial view is read beside the layout; a bad value drops the initial view alone, with one line.
TEST_F(PhotoSphereXmpTest, InitialViewReadBackAndBadValuesIgnored) {
  const std::string view =
      photo("view",
            "-XMP-GPano:ProjectionType=equirectangular -XMP-GPano:PoseHeadingDegrees=30 "
            "-XMP-GPano:InitialViewHeadingDegrees=270 -XMP-GPano:InitialViewPitchDegrees=-20 "
            "-XMP-GPano:InitialHorizontalFOVDegrees=100");
  const std::string headingOnly =
      photo("heading", "-XMP-GPano:ProjectionType=equirectangular -XMP-GPano:InitialViewHeadingDegrees=45");
  const std::string none = photo("none", "-XMP-GPano:ProjectionType=equirectangular");
  ASSERT_FALSE(view.empty() || headingOnly.empty() || none.empty());
  auto image = Image::fromFile(view);
  ASSERT_TRUE(image && image->initialView());
  EXPECT_EQ(*image->initialView(), (PanoramaInitialView{270, -20, 100}));
  EXPECT_DOUBLE_EQ(image->panoramaLayout()->poseYaw, 30);  // the pose is its own
  image = Image::fromFile(headingOnly);
  ASSERT_TRUE(image && image->initialView());
  EXPECT_EQ(*image->initialView(), (PanoramaInitialView{45, 0, std::nullopt}));
  image = Image::fromFile(none);
  ASSERT_TRUE(image);
  EXPECT_FALSE(image->initialView());

  struct Case {
    std::string path;
    const char* reason;
  };
  const Case cases[] = {
      {photo("far", "-XMP-GPano:ProjectionType=equirectangular -XMP-GPano:InitialViewHeadingDegrees=400"),
       "heading is not an angle from -360 to 360"},
      {photoWithRawXmp("nanheading",
                       "GPano:ProjectionType='equirectangular' GPano:InitialViewHeadingDegrees='nan'"),
       "heading is not an angle from -360 to 360"},
      {photo("steep", "-XMP-GPano:ProjectionType=equirectangular -XMP-GPano:InitialViewPitchDegrees=-91"),
       "pitch is not an angle from -90 to 90"},
      {photo("nofov", "-XMP-GPano:ProjectionType=equirectangular -XMP-GPano:InitialHorizontalFOVDegrees=0"),
       "field of view is not an angle between 0 and 180"},
  };
  for (const Case& c : cases) {
    ASSERT_FALSE(c.path.empty());
    LogCapture log;
    image = Image::fromFile(c.path);
    ASSERT_TRUE(image && image->panoramaLayout()) << c.path;  // the layout stands
    EXPECT_FALSE(image->initialView()) << c.path;
    ASSERT_EQ(log.lines.size(), 1u) << c.path;
    EXPECT_NE(log.lines[0].find(std::string("initial view ignored (") + c.reason), std::string::npos)
        << log.lines[0];
  }
}

TEST(PanoramaLayoutTest, PicturesFlatterThanTwoToOneAreABandAboutTheHorizon) {
  EXPECT_TRUE(equirectangularAreaForSize(4000, 2000).whole());
  EXPECT_TRUE(equirectangularAreaForSize(1000, 1000).whole());
  // 4:1 covers 90 degrees of pitch, half the height of the sphere.
  EXPECT_EQ(equirectangularAreaForSize(4000, 1000), (PanoramaArea{0, 0.25, 1, 0.75}));
  EXPECT_TRUE(equirectangularAreaForSize(0, 0).whole());
}

// Each packing's halves: the mono view and the left eye share one, the right eye has the other.
TEST(PanoramaLayoutTest, StereoEyeAreas) {
  const PanoramaArea top{0, 0, 1, 0.5}, bottom{0, 0.5, 1, 1}, left{0, 0, 0.5, 1}, right{0.5, 0, 1, 1};
  const struct {
    StereoPacking stereo;
    PanoramaArea leftEye, rightEye;
  } cases[] = {{StereoPacking::Mono, {}, {}},
               {StereoPacking::TopBottom, top, bottom},
               {StereoPacking::SideBySide, left, right},
               {StereoPacking::TopBottomRightFirst, bottom, top},
               {StereoPacking::SideBySideRightFirst, right, left}};
  for (const auto& c : cases) {
    EXPECT_EQ(stereoEyeArea(c.stereo, false), c.leftEye) << int(c.stereo);
    EXPECT_EQ(stereoEyeArea(c.stereo, true), c.rightEye) << int(c.stereo);
  }
}

TEST(PanoramaLayoutTest, Descriptions) {
  PanoramaLayout layout;
  EXPECT_EQ(describePanoramaLayout(layout), "mono, equirectangular 360");
  layout.stereo = StereoPacking::TopBottom;
  layout.area = {0.25, 0, 0.75, 1};
  EXPECT_EQ(describePanoramaLayout(layout), "top-bottom stereo, equirectangular 180");
  layout.stereo = StereoPacking::SideBySide;
  layout.area = {0, 0.25, 1, 0.75};
  EXPECT_EQ(describePanoramaLayout(layout), "side-by-side stereo, equirectangular 360 x 90 degrees");
  layout.stereo = StereoPacking::TopBottomRightFirst;
  layout.area = {};
  EXPECT_EQ(describePanoramaLayout(layout), "top-bottom stereo (right eye first), equirectangular 360");
}

}  // namespace
