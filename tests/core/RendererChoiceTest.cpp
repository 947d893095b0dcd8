#include <gtest/gtest.h>

#include "qv/core/RendererChoice.h"

TEST(RendererChoiceTest, EveryLayoutStereoAndLegacyCombination) {
  struct Row {
    int mode;
    bool stereo, legacy;
    RendererKind kind;
    bool setsStereomode;
    int stereomode;
  };
  const Row rows[] = {
      {0, false, false, RendererKind::Sphere, false, 0},
      {0, true, false, RendererKind::StereoPair, true, 0},
      {1, false, false, RendererKind::Flat, false, 0},
      {1, true, false, RendererKind::StereoPair, true, 0},
      {2, false, false, RendererKind::Cylinder, false, 0},
      {2, true, false, RendererKind::StereoPair, true, 0},
      {3, false, false, RendererKind::StereoPair, true, 0},
      {3, true, false, RendererKind::StereoPair, true, 0},
      {4, false, false, RendererKind::Sphere, true, 1},
      {4, true, false, RendererKind::StereoPair, true, 1},
      {5, false, false, RendererKind::None, false, 0},
      {-1, true, false, RendererKind::None, false, 0},
      {4, true, true, RendererKind::Legacy, false, 0},
      {9, false, true, RendererKind::Legacy, false, 0},
  };
  for (const Row& row : rows) {
    RendererChoice choice = chooseRenderer(row.mode, row.stereo, row.legacy);
    EXPECT_EQ(choice.kind, row.kind) << row.mode << " " << row.stereo << " " << row.legacy;
    EXPECT_EQ(choice.setsStereomode, row.setsStereomode) << row.mode;
    if (row.setsStereomode) {
      EXPECT_EQ(choice.stereomode, row.stereomode) << row.mode;
    }
    EXPECT_NE(rendererName(choice.kind), "unknown");
  }
}
