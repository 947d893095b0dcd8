#include "qv/render/ContentLayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(StereoEyeTest, HalvesTheViewAndSplitsOverUnderContentAtItsMiddle) {
  StereoEye left = stereoEye(101, 50.9, false, 1), right = stereoEye(101, 50.9, true, 1);
  EXPECT_EQ(left.viewportX, 0);
  EXPECT_EQ(right.viewportX, 50);  // an odd width loses its last column
  EXPECT_EQ(right.width, 50);
  EXPECT_EQ(right.height, 50);
  EXPECT_EQ(stereoEye(1, 8, true, 0).width, 1);  // narrower than 2 pixels: one pixel per eye
  GLfloat l[16], r[16];
  left.textureMatrix(l);
  right.textureMatrix(r);
  // t' = m[5] * t + m[13]; t = 0 is the first (top) row of the frame.
  EXPECT_FLOAT_EQ(l[13], 0);
  EXPECT_FLOAT_EQ(l[5] + l[13], 0.5f);
  EXPECT_FLOAT_EQ(r[13], 0.5f);
  EXPECT_FLOAT_EQ(r[5] + r[13], 1);
  EXPECT_EQ(r[0], 1);  // s untouched
  EXPECT_FALSE(stereoEye(64, 32, true, 0).transformsTexture);
  EXPECT_FALSE(stereoEye(64, 32, true, 2).transformsTexture);
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
    float aspect, y0, y1;
  };
  for (Row row : {Row{1920, 1080, 2.0f, 60, 1020}, Row{160, 90, 4.0f, 25, 65}, Row{100, 100, 2.0f, 25, 75},
                  Row{100, 100, 0.5f, -50, 150}}) {
    FlatLetterbox box = flatLetterbox(landscape(row.w, row.h, row.aspect));
    EXPECT_NEAR(box.y0, row.y0, 1e-3) << row.w << "x" << row.h << " aspect " << row.aspect;
    EXPECT_NEAR(box.y1, row.y1, 1e-3) << row.w << "x" << row.h << " aspect " << row.aspect;
  }
  FlatLetterboxInput pair = landscape(101, 50, 2.0f);
  pair.secondTexture = true;
  EXPECT_EQ(flatLetterbox(pair).firstRight, 50);
}

TEST(FlatLetterboxTest, ScreenRatioFollowsSystemVersionAndOrientation) {
  EXPECT_TRUE(systemVersionAtLeast("10.0", 8, 0));  // numbers, not text
  EXPECT_TRUE(systemVersionAtLeast("8", 8, 0));
  EXPECT_FALSE(systemVersionAtLeast("7.1.2", 8, 0));
  EXPECT_FALSE(systemVersionAtLeast("", 8, 0));
  // A screen reported as 90x160 points, a 160x90 view, 2:1 content.
  FlatLetterboxInput in = landscape(160, 90, 2.0f);
  in.screenWidth = 90;
  in.screenHeight = 160;
  in.systemVersion = "7.1";  // landscape before 8.0: bh / bw = 16:9
  EXPECT_NEAR(flatLetterbox(in).y0, 5, 1e-3);
  in.systemVersion = "8.0";  // landscape from 8.0: bw / bh = 9:16
  EXPECT_NEAR(flatLetterbox(in).y1 - flatLetterbox(in).y0, 25, 1);
  in.interfaceOrientation = 1;  // portrait from 8.0: bh / bw
  EXPECT_NEAR(flatLetterbox(in).y0, 5, 1e-3);
}

TEST(FlatLetterboxTest, DegenerateInputsNeverGiveNonFiniteVertices) {
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  const FlatLetterbox reference = flatLetterbox(landscape(160, 90, 2.0f));
  FlatLetterboxInput noScreen = landscape(160, 90, 2.0f);  // the view's own size stands in
  noScreen.screenWidth = noScreen.screenHeight = 0;
  EXPECT_EQ(flatLetterbox(noScreen).y0, reference.y0);
  for (float aspect : {nan, inf, -inf, 0.0f, -2.0f}) {  // counted as 2
    EXPECT_EQ(flatLetterbox(landscape(160, 90, aspect)).y0, reference.y0) << aspect;
    EXPECT_EQ(flatLetterbox(landscape(160, 90, aspect)).y1, reference.y1) << aspect;
  }
  for (FlatLetterboxInput in : {landscape(160, 0, 2.0f), noScreen, landscape(0, 0, nan)}) {
    in.viewHeight = 0;
    FlatLetterbox box = flatLetterbox(in);
    EXPECT_EQ(box.top, 1.0f);  // a view of height 0 is projected with T = 1
    EXPECT_TRUE(std::isfinite(box.y0) && std::isfinite(box.y1)) << box.y0 << " " << box.y1;
  }
}
