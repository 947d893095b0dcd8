// Cutting a large picture into tiles: every texture within the limit, the tiles covering the picture once
// with edges on the sphere's grid lines where they can, and each tile's texture holding what filtering
// reaches and sampling exactly where the single texture would.
#include <gtest/gtest.h>

#include <cmath>

#include "qv/media/TileGrid.h"

using namespace qv;

namespace {

// Picture pixel (as a position) that the tile samples at fraction u of the picture along one axis.
double sampled(double u, double areaFrom, double areaTo, double rectFrom, double rectTo, int start,
               int extent) {
  const double s = rectFrom + (u - areaFrom) / (areaTo - areaFrom) * (rectTo - rectFrom);
  return start + s * extent;
}

}  // namespace

TEST(TileGridTest, APictureWithinTheLimitIsOneWholeTile) {
  const auto tiles = planTiles(4096, 2048, 4096);
  ASSERT_EQ(tiles.size(), 1u);
  EXPECT_EQ(tiles[0].textureWidth, 4096);
  EXPECT_EQ(tiles[0].textureHeight, 2048);
  EXPECT_TRUE(tiles[0].area.whole());
  EXPECT_TRUE(tiles[0].textureRect.whole());
  EXPECT_TRUE(planTiles(0, 10, 1024).empty());
  EXPECT_TRUE(planTiles(10, 10, 3).empty());
}

TEST(TileGridTest, TilesCoverThePictureOnceAndSampleWhereOneTextureWould) {
  struct Case {
    int width, height, limit;
    size_t columns, rows;
    bool onGrid;  // every edge on one of the 60 grid lines
  };
  // 1024 cannot hold a quarter of 4096 and the pixels beyond its edges; 65535 is the largest JPEG side;
  // 100 pixels on 65535 need finer tiles than the grid.
  for (const Case c : {Case{4096, 2048, 1024, 5, 3, true}, Case{32768, 16384, 16384, 3, 1, true},
                       Case{16385, 3, 16384, 2, 1, true}, Case{65535, 32768, 16384, 5, 3, true},
                       Case{65535, 90, 100, 669, 1, false}}) {
    SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " within " << c.limit);
    const auto tiles = planTiles(c.width, c.height, c.limit);
    ASSERT_EQ(tiles.size(), c.columns * c.rows);
    for (size_t i = 0; i < tiles.size(); ++i) {
      const PictureTile& t = tiles[i];
      const size_t column = i % c.columns, row = i / c.columns;
      EXPECT_LE(t.textureWidth, c.limit);
      EXPECT_LE(t.textureHeight, c.limit);
      // Contiguous, from edge to edge.
      EXPECT_EQ(t.area.left, column == 0 ? 0.0 : tiles[i - 1].area.right);
      EXPECT_EQ(t.area.top, row == 0 ? 0.0 : tiles[i - c.columns].area.bottom);
      EXPECT_TRUE(column + 1 < c.columns || t.area.right == 1.0);
      EXPECT_TRUE(row + 1 < c.rows || t.area.bottom == 1.0);
      if (c.onGrid) {
        EXPECT_NEAR(t.area.left * 60, std::round(t.area.left * 60), 1e-9);
        EXPECT_NEAR(t.area.top * 60, std::round(t.area.top * 60), 1e-9);
      }
      // At each edge, the texel position sampled is the single texture's, and both texels it blends are
      // in the tile's texture (or the sample is clamped at the picture's edge).
      for (double u : {t.area.left, (t.area.left + t.area.right) / 2, t.area.right}) {
        const double x = sampled(u, t.area.left, t.area.right, t.textureRect.left, t.textureRect.right,
                                 t.textureX, t.textureWidth);
        EXPECT_NEAR(x, u * c.width, 1e-6);
        const double centre = x - 0.5;
        EXPECT_TRUE(centre < 0 || std::floor(centre) >= t.textureX) << u;
        EXPECT_TRUE(centre > c.width - 1 || std::floor(centre) + 1 < t.textureX + t.textureWidth) << u;
      }
      for (double v : {t.area.top, t.area.bottom}) {
        const double y = sampled(v, t.area.top, t.area.bottom, t.textureRect.top, t.textureRect.bottom,
                                 t.textureY, t.textureHeight);
        EXPECT_NEAR(y, v * c.height, 1e-6);
        const double centre = y - 0.5;
        EXPECT_TRUE(centre < 0 || std::floor(centre) >= t.textureY) << v;
        EXPECT_TRUE(centre > c.height - 1 || std::floor(centre) + 1 < t.textureY + t.textureHeight) << v;
      }
    }
  }
}

TEST(TileGridTest, AReducedLevelIsSharpEnoughOnlyForWideViews) {
  // A view 720 pixels high shows 8.19 pixels per degree at its centre at fov 75, 35.6 at fov 20; the
  // quarter level of a 32768-wide panorama has 22.8 pixels per degree, the full one 91.
  struct Row {
    int levelWidth;
    double fov, viewHeight;
    bool sharpEnough;
  };
  for (const Row& row : {Row{8192, 75, 720, true}, Row{8192, 20, 720, false}, Row{32768, 20, 720, true},
                         Row{2948, 75, 720, true}, Row{2940, 75, 720, false}, Row{1024, 110, 256, true},
                         Row{1024, 20, 256, false}, Row{1024, 75, 0, true}, Row{1024, 0, 256, true}}) {
    SCOPED_TRACE(::testing::Message()
                 << row.levelWidth << " fov " << row.fov << " height " << row.viewHeight);
    EXPECT_EQ(levelSharpEnough(row.levelWidth, row.fov, row.viewHeight), row.sharpEnough);
  }
}
