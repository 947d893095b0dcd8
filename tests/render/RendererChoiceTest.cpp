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

// A cube-map picture keeps the layout's eyes and stereomode but takes the cube-map renderers; the flat
// layout shows the picture as it is, and the legacy renderer stays the legacy one.
TEST(RendererChoiceTest, CubeMapsTakeTheCubeMapRenderers) {
  struct Row {
    int32_t mode;
    bool stereo;
    RendererKind kind;
  };
  const Row rows[] = {
      {0, false, RendererKind::CubeMap}, {0, true, RendererKind::CubeMapStereo},
      {1, false, RendererKind::Flat},    {1, true, RendererKind::CubeMapStereo},
      {2, false, RendererKind::CubeMap}, {3, false, RendererKind::CubeMapStereo},
      {4, false, RendererKind::CubeMap}, {4, true, RendererKind::CubeMapStereo},
      {7, false, RendererKind::None},
  };
  for (auto projection : {PanoramaProjection::CubeMap3x2, PanoramaProjection::EquiAngularCubeMap,
                          PanoramaProjection::CubeMap6x1}) {
    for (const Row& row : rows) {
      SCOPED_TRACE(testing::Message() << "projection " << int(projection) << " mode " << row.mode
                                      << (row.stereo ? " stereo" : ""));
      const RendererChoice equirectangular = chooseRenderer(row.mode, row.stereo, false);
      const RendererChoice choice = chooseRenderer(row.mode, row.stereo, false, projection);
      EXPECT_EQ(choice.kind, row.kind);
      EXPECT_EQ(choice.setsStereomode, equirectangular.setsStereomode);
      EXPECT_EQ(choice.stereomode, equirectangular.stereomode);
      auto renderer = makeSceneRenderer(choice.kind);
      auto reference = makeSceneRenderer(equirectangular.kind);
      EXPECT_EQ(renderer ? renderer->traits().eyes : 0, reference ? reference->traits().eyes : 0);
    }
    EXPECT_EQ(chooseRenderer(0, true, true, projection).kind, RendererKind::Legacy);
  }
}
