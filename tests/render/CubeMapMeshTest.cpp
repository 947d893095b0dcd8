// The cube-map mesh without GL: where the faces' pictures lie in the packed frame, the equi-angular warp
// and the two turns of the pole faces. (The half-texel inset and the stereo eyes are checked by drawing.)
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <tuple>

#include "qv/render/CubeMapMesh.h"

using namespace qv;

namespace {

PanoramaLayout cube(PanoramaProjection projection, CubeFaceOrientation faces = CubeFaceOrientation::Converter,
                    int32_t padding = 0) {
  PanoramaLayout layout;
  layout.projection = projection;
  layout.cubeFaces = faces;
  layout.cubePadding = padding;
  return layout;
}

constexpr int kN = 8;  // subdivisions in these tests
constexpr int kPerFace = (kN + 1) * (kN + 1);

// Vertex `i` of the mesh as a unit direction in the world (x right, y up, z forward).
std::array<double, 3> direction(const CubeMapMesh& mesh, size_t i) {
  const double x = mesh.vertices[i * 3], y = -mesh.vertices[i * 3 + 2], z = -mesh.vertices[i * 3 + 1];
  const double r = std::sqrt(x * x + y * y + z * z);
  return {x / r, y / r, z / r};
}

TEST(CubeMapMeshTest, FacesLieInTheirCellsLessPadding) {
  const PanoramaLayout padded = cube(PanoramaProjection::CubeMap3x2, CubeFaceOrientation::Metadata, 2);
  const CubeFaceGrid grid = cubeFaceGrid(padded.projection, padded.cubeFaces);
  // The front face: second column, second row of 64-pixel cells.
  EXPECT_EQ(cubeFacePixels(padded, grid.faces[4], 192, 128), (PanoramaArea{66, 66, 126, 126}));
  const PanoramaLayout strip = cube(PanoramaProjection::CubeMap6x1);
  EXPECT_EQ(cubeFacePixels(strip, cubeFaceGrid(strip.projection, strip.cubeFaces).faces[5], 384, 64),
            (PanoramaArea{320, 0, 384, 64}));
  // The equi-angular layout: two pixels round the picture's sides and each row, none between the faces of
  // a row; padding from metadata does not apply to it.
  PanoramaLayout eac = cube(PanoramaProjection::EquiAngularCubeMap);
  eac.cubePadding = 5;
  const CubeFaceGrid eacGrid = cubeFaceGrid(eac.projection, eac.cubeFaces);
  EXPECT_EQ(cubeFacePixels(eac, eacGrid.faces[0], 196, 128), (PanoramaArea{2, 2, 66, 62}));
  EXPECT_EQ(cubeFacePixels(eac, eacGrid.faces[4], 196, 128), (PanoramaArea{66, 66, 130, 126}));
  EXPECT_TRUE(cubeFaceGrid(PanoramaProjection::Equirectangular, {}).columns == 0);
  EXPECT_TRUE(buildCubeMapMesh(PanoramaLayout{}, 64, 32, {}).indices.empty());
}

TEST(CubeMapMeshTest, EquiAngularStepsAreEqualAngles) {
  const CubeMapMesh mesh = buildCubeMapMesh(cube(PanoramaProjection::EquiAngularCubeMap), 0, 0, {}, kN);
  // The first face (left) along its middle row: each step across turns the view by 90 / kN degrees.
  const size_t row = kN / 2 * (kN + 1);
  for (int i = 0; i < kN; ++i) {
    const auto a = direction(mesh, row + i), b = direction(mesh, row + i + 1);
    const double angle = std::acos(a[0] * b[0] + a[1] * b[1] + a[2] * b[2]) * 180 / std::numbers::pi;
    EXPECT_NEAR(angle, 90.0 / kN, 1e-3) << "step " << i;
  }
  // The plain cube's steps are not: the middle one is wider than the outer one.
  const CubeMapMesh plain = buildCubeMapMesh(cube(PanoramaProjection::CubeMap3x2), 0, 0, {}, kN);
  auto step = [&](int i) {
    const auto a = direction(plain, row + i), b = direction(plain, row + i + 1);
    return std::acos(a[0] * b[0] + a[1] * b[1] + a[2] * b[2]);
  };
  EXPECT_GT(step(kN / 2), step(0) * 1.5);
}

TEST(CubeMapMeshTest, PoleFacesTurnHalfATurnBetweenConverterAndMetadata) {
  // The top edge's middle of the up face (third) and of the down face (fourth).
  const size_t topMiddle = kN / 2;
  for (auto [faces, upTop, downTop] : {std::tuple{CubeFaceOrientation::Converter, -1.0, 1.0},
                                       std::tuple{CubeFaceOrientation::Metadata, 1.0, -1.0}}) {
    const CubeMapMesh mesh = buildCubeMapMesh(cube(PanoramaProjection::CubeMap3x2, faces), 0, 0, {}, kN);
    const auto up = direction(mesh, 2 * kPerFace + topMiddle),
               down = direction(mesh, 3 * kPerFace + topMiddle);
    EXPECT_NEAR(up[2], upTop * std::sqrt(0.5), 1e-6) << "up face, forward component";
    EXPECT_NEAR(down[2], downTop * std::sqrt(0.5), 1e-6) << "down face, forward component";
  }
}

// A picture split into two textures at its middle: every layout's split falls on vertices, so each
// triangle lies wholly in one half and keeps its texels there (none clamped to the other half's edge).
TEST(CubeMapMeshTest, SplitIntoTwoTexturesKeepsEachTriangleInOneHalf) {
  for (const PanoramaLayout& layout :
       {cube(PanoramaProjection::CubeMap3x2), cube(PanoramaProjection::EquiAngularCubeMap),
        cube(PanoramaProjection::CubeMap6x1), cube(PanoramaProjection::CubeMap3x2, {}, 4)}) {
    const CubeMapMesh whole = buildCubeMapMesh(layout, 768, 512, {}, kN);
    const auto halves = splitCubeMapMesh(whole, 0.5);
    EXPECT_EQ(halves[0].indices.size() + halves[1].indices.size(), whole.indices.size());
    EXPECT_EQ(halves[0].indices.size(), halves[1].indices.size());
    for (int half = 0; half < 2; ++half) {
      for (GLushort index : halves[size_t(half)].indices) {
        const double s = whole.texcoords[size_t(index) * 2];
        EXPECT_TRUE(half == 0 ? s <= 0.5 : s >= 0.5) << "projection " << int(layout.projection);
        EXPECT_NEAR(halves[size_t(half)].texcoords[size_t(index) * 2], half == 0 ? 2 * s : 2 * s - 1, 1e-6);
      }
    }
  }
}

}  // namespace
