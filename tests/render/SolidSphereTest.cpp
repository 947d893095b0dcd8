#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "qv/render/SolidSphere.h"
#include "tests/support/ViewTestSupport.h"

using namespace qv;

TEST(SolidSphereTest, BandsAreStripsWhoseSeamClosesExactly) {
  LogCapture log;  // one line per vertex pair
  float *v = nullptr, *n = nullptr;
  uint32_t count = 0;
  getSolidSphere(&v, &n, &count, 4, 2, 1.0f);
  ASSERT_EQ(count, 20u);
  EXPECT_EQ(log.lines.size(), 10u);
  for (int band = 0; band < 2; ++band) {
    const float* first = &v[(band * 10) * 3];
    const float* last = &v[(band * 10 + 8) * 3];  // column S repeats column 0
    for (int k = 0; k < 6; ++k) EXPECT_EQ(first[k], last[k]);
  }
  EXPECT_FLOAT_EQ(v[2], 1.0f);  // the first band starts at the +z pole
  EXPECT_FLOAT_EQ(n[2], 1.0f);  // a unit-radius vertex is its own normal
  std::free(v);
  std::free(n);
}

TEST(SolidSphereTest, HugeCountsGiveNothingInsteadOfAShortBuffer) {
  float *v = reinterpret_cast<float*>(1), *n = reinterpret_cast<float*>(1);
  uint32_t count = 7;
  getSolidSphere(&v, &n, &count, 0xFFFFFFFFu, 3, 1.0f);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(v, nullptr);
  EXPECT_EQ(n, nullptr);
  getSolidSphere2();
}

TEST(SolidSphereTest, MeshesLargerThanTheTextureTableStayInBounds) {
  LogCapture log;
  float *v = nullptr, *n = nullptr;
  uint32_t count = 0;
  getSolidSphere(&v, &n, &count, 200, 100, 1.0f);  // 40200 vertices, the table holds 10800
  EXPECT_EQ(count, 40200u);
  std::free(v);
  std::free(n);
}

TEST(SolidSphereTest, TextureLatitudeDoesNotDependOnTheRadius) {
  LogCapture log;
  std::vector<float> unit, large;
  for (float radius : {1.0f, 20.0f}) {
    float *v = nullptr, *n = nullptr;
    uint32_t count = 0;
    getSolidSphere(&v, &n, &count, 8, 6, radius);
    ASSERT_EQ(count, 108u);
    auto& out = radius == 1.0f ? unit : large;
    out.assign(texCoords, texCoords + count * 2);
    std::free(v);
    std::free(n);
  }
  float lowest = 1;
  for (size_t i = 1; i < unit.size(); i += 2) {
    EXPECT_NEAR(large[i], unit[i], 1e-6f) << "pair " << i / 2;
    lowest = std::min(lowest, large[i]);
  }
  // The bands span the latitudes instead of pinning v to the top of the texture.
  EXPECT_LT(lowest, 0.4f);
}
