#include "qv/media/TileGrid.h"

#include <algorithm>
#include <cmath>

namespace qv {

namespace {

constexpr int kGridLines = 60;  // the sphere quadric's slices and stacks

struct Span {
  double from, to;           // fractions of the picture
  int textureStart, extent;  // the pixels linear filtering reaches from inside the span
};

Span spanBetween(double from, double to, int length) {
  // Sampling at fraction u reads the pixels either side of u * length - 0.5, clamped to the picture.
  const int first = std::max(0, int(std::floor(from * length - 0.5)));
  const int last = std::min(length - 1, int(std::floor(to * length - 0.5)) + 1);
  return {from, to, first, last - first + 1};
}

// The fewest spans whose textures fit within `limit`: whole grid cells while there are at most as many
// spans as cells, equal fractions beyond.
std::vector<Span> splitAxis(int length, int limit) {
  if (length <= limit) return {{0, 1, 0, length}};
  for (int count = std::max(2, length / limit);; ++count) {
    std::vector<Span> spans;
    bool fits = true;
    for (int i = 0; i < count && fits; ++i) {
      auto edge = [&](int k) {
        return count <= kGridLines ? double(std::lround(double(k) * kGridLines / count)) / kGridLines
                                   : double(k) / count;
      };
      spans.push_back(spanBetween(edge(i), edge(i + 1), length));
      fits = spans.back().extent <= limit;
    }
    if (fits) return spans;
  }
}

}  // namespace

std::vector<PictureTile> planTiles(int width, int height, int maxTextureSize) {
  if (width <= 0 || height <= 0 || maxTextureSize < 4) return {};
  const std::vector<Span> columns = splitAxis(width, maxTextureSize);
  const std::vector<Span> rows = splitAxis(height, maxTextureSize);
  std::vector<PictureTile> tiles;
  tiles.reserve(columns.size() * rows.size());
  for (const Span& row : rows) {
    for (const Span& column : columns) {
      PictureTile tile;
      tile.textureX = column.textureStart, tile.textureY = row.textureStart;
      tile.textureWidth = column.extent, tile.textureHeight = row.extent;
      tile.area = {column.from, row.from, column.to, row.to};
      // Texel position u * length in the picture is u * length - textureStart in the tile's texture.
      tile.textureRect = {(column.from * width - column.textureStart) / column.extent,
                          (row.from * height - row.textureStart) / row.extent,
                          (column.to * width - column.textureStart) / column.extent,
                          (row.to * height - row.textureStart) / row.extent};
      tiles.push_back(tile);
    }
  }
  return tiles;
}

bool levelSharpEnough(int levelWidth, double fieldOfView, double viewHeight) {
  if (!(fieldOfView > 0 && fieldOfView < 180) || !(viewHeight > 0)) return true;
  constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180;
  const double screenPerDegree =
      viewHeight / 2 / std::tan(fieldOfView / 2 * kRadiansPerDegree) * kRadiansPerDegree;
  return levelWidth / 360.0 >= screenPerDegree;
}

}  // namespace qv
