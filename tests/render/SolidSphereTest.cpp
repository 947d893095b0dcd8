#include <gtest/gtest.h>

#include <cstdlib>

#include "qv/render/SolidSphere.h"
#include "tests/support/ViewTestSupport.h"

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
