#include "qv/render/RendererChoice.h"

#include <gtest/gtest.h>

#include "qv/render/SceneRenderer.h"

using namespace qv;

// Each layout, mono and stereo, reaches the renderer that draws it, and the renderer draws as many eyes as
// the layout needs: a stereo request must never fall through to a mono renderer.
TEST(RendererChoiceTest, EveryLayoutReachesARendererWithItsEyes) {
  struct Row {
    int32_t mode;
    bool stereo;
    RendererKind kind;
    int32_t stereomode;  // -1: left as it was
    int eyes;
  };
  const Row rows[] = {
      {0, false, RendererKind::Sphere, -1, 1},    {0, true, RendererKind::StereoPair, 0, 2},
      {1, false, RendererKind::Flat, -1, 1},      {1, true, RendererKind::StereoPair, 0, 2},
      {2, false, RendererKind::Cylinder, -1, 1},  {2, true, RendererKind::StereoPair, 0, 2},
      {3, false, RendererKind::StereoPair, 0, 2}, {4, false, RendererKind::Sphere, 1, 1},
      {4, true, RendererKind::StereoPair, 1, 2},  {7, false, RendererKind::None, -1, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "mode " << row.mode << (row.stereo ? " stereo" : ""));
    const RendererChoice choice = chooseRenderer(row.mode, row.stereo, false);
    EXPECT_EQ(choice.kind, row.kind);
    EXPECT_EQ(choice.setsStereomode ? choice.stereomode : -1, row.stereomode);
    auto renderer = makeSceneRenderer(choice.kind);
    EXPECT_EQ(renderer ? renderer->traits().eyes : 0, row.eyes);
  }
  EXPECT_EQ(chooseRenderer(3, true, true).kind, RendererKind::Legacy);
}
