// Spherical-video metadata's cube map becomes the metadata's own face turns and padding; any other
// projection, or a padding no picture could hold, leaves the layout alone.
#include "qv/os/av/SphericalCubeMap.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/mem.h>
}

#include <memory>

using namespace qv;

namespace {

std::unique_ptr<AVSphericalMapping, void (*)(void*)> mapping(AVSphericalProjection projection,
                                                             uint32_t padding) {
  size_t size = 0;
  std::unique_ptr<AVSphericalMapping, void (*)(void*)> m(av_spherical_alloc(&size), av_free);
  m->projection = projection;
  m->padding = padding;
  return m;
}

}  // namespace

TEST(SphericalCubeMapTest, CubeMapsTakeTheMetadataTurnsAndPadding) {
  PanoramaLayout layout;
  layout.stereo = StereoPacking::TopBottom;
  ASSERT_TRUE(applySphericalCubeMap(*mapping(AV_SPHERICAL_CUBEMAP, 16), layout));
  EXPECT_EQ(layout.projection, PanoramaProjection::CubeMap3x2);
  EXPECT_EQ(layout.cubeFaces, CubeFaceOrientation::Metadata);
  EXPECT_EQ(layout.cubePadding, 16);
  EXPECT_EQ(layout.stereo, StereoPacking::TopBottom);  // the stereo side data says that, not this
}

TEST(SphericalCubeMapTest, OtherProjectionsAndImpossiblePaddingChangeNothing) {
  const PanoramaLayout before;
  for (const auto& m :
       {mapping(AV_SPHERICAL_EQUIRECTANGULAR, 0), mapping(AV_SPHERICAL_EQUIRECTANGULAR_TILE, 4),
        mapping(AV_SPHERICAL_CUBEMAP, 0x80000000u)}) {
    PanoramaLayout layout;
    EXPECT_FALSE(applySphericalCubeMap(*m, layout));
    EXPECT_EQ(layout, before);
  }
}
