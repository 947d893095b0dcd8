#include "qv/render/ContentLayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// t' of the eye's texture matrix applied to (s, t, 0, 1).
float transformedT(const StereoEye& eye, float t) {
  GLfloat m[16];
  eye.textureMatrix(m);
  return m[1] * 0.3f + m[5] * t + m[13];
}

}  // namespace

TEST(StereoEyeTest, ViewportsSplitTheViewAndOddColumnsAreLost) {
  StereoEye left = stereoEye(101, 50.9, false, 0), right = stereoEye(101, 50.9, true, 0);
  EXPECT_EQ(left.viewportX, 0);
  EXPECT_EQ(right.viewportX, 50);
  EXPECT_EQ(left.width, 50);
  EXPECT_EQ(right.width, 50);
  EXPECT_EQ(left.height, 50);
  // Narrower than 2 pixels: both eyes are one pixel wide, the right one just off the view.
  for (double w : {1.0, 0.5, 0.0}) {
    EXPECT_EQ(stereoEye(w, 8, false, 0).width, 1) << w;
    EXPECT_EQ(stereoEye(w, 8, true, 0).viewportX, 1) << w;
  }
}

TEST(StereoEyeTest, OverUnderGivesTheUpperHalfToTheLeftEye) {
  StereoEye left = stereoEye(64, 32, false, 1), right = stereoEye(64, 32, true, 1);
  ASSERT_TRUE(left.transformsTexture);
  ASSERT_TRUE(right.transformsTexture);
  // t = 0 is the first row of the frame (its top).
  EXPECT_FLOAT_EQ(transformedT(left, 0), 0);
  EXPECT_FLOAT_EQ(transformedT(left, 1), 0.5f);
  EXPECT_FLOAT_EQ(transformedT(right, 0), 0.5f);
  EXPECT_FLOAT_EQ(transformedT(right, 1), 1);
  GLfloat m[16];
  right.textureMatrix(m);
  EXPECT_EQ(m[0], 1);  // s untouched
  EXPECT_EQ(m[15], 1);
  for (int mode : {0, 2, -1}) {
    EXPECT_FALSE(stereoEye(64, 32, true, mode).transformsTexture) << mode;
    EXPECT_FLOAT_EQ(transformedT(stereoEye(64, 32, true, mode), 0.25f), 0.25f) << mode;
  }
}

TEST(SystemVersionTest, ComparesNumberByNumber) {
  EXPECT_TRUE(systemVersionAtLeast("8.0", 8, 0));
  EXPECT_TRUE(systemVersionAtLeast("8", 8, 0));
  EXPECT_TRUE(systemVersionAtLeast("10.0", 8, 0));  // not a text comparison
  EXPECT_TRUE(systemVersionAtLeast("8.10", 8, 2));
  EXPECT_FALSE(systemVersionAtLeast("7.1.2", 8, 0));
  EXPECT_FALSE(systemVersionAtLeast("", 8, 0));
  EXPECT_FALSE(systemVersionAtLeast("beta", 8, 0));
}

namespace {

FlatLetterboxInput landscape(double w, double h, float aspect) {
  FlatLetterboxInput in;
  in.viewWidth = in.screenWidth = w;
  in.viewHeight = in.screenHeight = h;
  in.systemVersion = "8.0";
  in.interfaceOrientation = 3;
  in.videoAspect = aspect;
  return in;
}

}  // namespace

TEST(FlatLetterboxTest, BarsAreEqualAboveAndBelowForARangeOfAspects) {
  struct Row {
    double w, h;
    float aspect;
    float y0, y1;
  };
  for (Row row : {Row{1920, 1080, 2.0f, 60, 1020}, Row{160, 90, 4.0f, 25, 65}, Row{100, 100, 2.0f, 25, 75},
                  Row{100, 100, 1.0f, 0, 100}, Row{100, 100, 0.5f, -50, 150}}) {
    FlatLetterbox box = flatLetterbox(landscape(row.w, row.h, row.aspect));
    EXPECT_NEAR(box.y0, row.y0, 1e-3) << row.w << "x" << row.h << " aspect " << row.aspect;
    EXPECT_NEAR(box.y1, row.y1, 1e-3) << row.w << "x" << row.h << " aspect " << row.aspect;
    EXPECT_NEAR(box.y0, box.top - box.y1, 1.0) << "bars of equal height";
    EXPECT_EQ(box.firstRight, GLint(row.w));
  }
}

TEST(FlatLetterboxTest, ScreenRatioFollowsSystemVersionAndOrientation) {
  // A portrait-reported screen of 9:16 points shown in a 160x90 view with 2:1 content.
  FlatLetterboxInput in = landscape(160, 90, 2.0f);
  in.screenWidth = 90;
  in.screenHeight = 160;
  in.systemVersion = "7.1";  // bounds stay portrait: landscape takes bh / bw = 16:9
  EXPECT_NEAR(flatLetterbox(in).y0, 5, 1e-3);
  in.systemVersion = "8.0";  // bounds turn with the interface: landscape takes bw / bh = 9:16
  EXPECT_LT(flatLetterbox(in).y1 - flatLetterbox(in).y0, 30);
  in.interfaceOrientation = 1;  // portrait on 8.0 takes bh / bw
  EXPECT_NEAR(flatLetterbox(in).y0, 5, 1e-3);
}

TEST(FlatLetterboxTest, DegenerateInputsNeverGiveNonFiniteVertices) {
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  const FlatLetterbox reference = flatLetterbox(landscape(160, 90, 2.0f));
  // No screen: the view's own size stands in.
  FlatLetterboxInput noScreen = landscape(160, 90, 2.0f);
  noScreen.screenWidth = noScreen.screenHeight = 0;
  FlatLetterbox box = flatLetterbox(noScreen);
  EXPECT_EQ(box.y0, reference.y0);
  EXPECT_EQ(box.y1, reference.y1);
  // An aspect that is not a finite positive number counts as 2.
  for (float aspect : {nan, inf, -inf, 0.0f, -2.0f}) {
    box = flatLetterbox(landscape(160, 90, aspect));
    EXPECT_EQ(box.y0, reference.y0) << aspect;
    EXPECT_EQ(box.y1, reference.y1) << aspect;
  }
  // A view of height 0, with or without a screen: projected with T = 1, finite edges.
  for (double screen : {0.0, 90.0}) {
    FlatLetterboxInput flat = landscape(160, 0, 2.0f);
    flat.screenWidth = screen ? 160 : 0;
    flat.screenHeight = screen;
    box = flatLetterbox(flat);
    EXPECT_EQ(box.top, 1.0f);
    EXPECT_EQ(box.height, 0);
    EXPECT_TRUE(std::isfinite(box.y0) && std::isfinite(box.y1)) << box.y0 << " " << box.y1;
  }
  box = flatLetterbox(landscape(0, 0, nan));
  EXPECT_TRUE(std::isfinite(box.y0) && std::isfinite(box.y1));
}

TEST(FlatLetterboxTest, ASecondTextureTakesTheRightHalf) {
  FlatLetterboxInput in = landscape(101, 50, 2.0f);
  in.secondTexture = true;
  EXPECT_EQ(flatLetterbox(in).firstRight, 50);
}
