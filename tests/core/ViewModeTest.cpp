#include "qv/core/ViewMode.h"

#include <gtest/gtest.h>

using namespace qv;

TEST(ViewModeTest, NamesRoundTripAndTheModeKeyCyclesTheMonoLayouts) {
  for (int32_t mode = 0; mode <= 4; ++mode) EXPECT_EQ(viewModeFromName(viewModeName(mode)), mode);
  EXPECT_EQ(viewModeName(5), "unknown");
  EXPECT_EQ(viewModeName(-1), "unknown");
  EXPECT_FALSE(viewModeFromName("unknown"));
  EXPECT_FALSE(viewModeFromName("Sphere"));

  int32_t mode = int32_t(ViewMode::Sphere);
  std::string seen;
  for (int i = 0; i < 3; ++i) seen += std::string(viewModeName(mode = nextViewMode(mode))) + " ";
  EXPECT_EQ(seen, "cylinder flat sphere ");
  EXPECT_EQ(nextViewMode(int32_t(ViewMode::OverUnder)), int32_t(ViewMode::Cylinder));
}
