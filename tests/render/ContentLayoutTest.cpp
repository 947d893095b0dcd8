#include "qv/render/ContentLayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace qv;

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
