#include "qv/render/SpherePatch.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "qv/os/GLES.h"

namespace qv {

namespace {

constexpr double kRadius = 20.0;
constexpr int kGridLines = 60;  // across the whole sphere, both ways, as the sphere quadric

// The edges and the whole-sphere grid lines strictly between them, in order.
std::vector<double> gridBetween(double from, double to) {
  std::vector<double> values{from};
  const int first = int(std::floor(from * kGridLines)) + 1;
  for (int k = first; double(k) / kGridLines < to; ++k) values.push_back(double(k) / kGridLines);
  values.push_back(to);
  return values;
}

}  // namespace

void drawSpherePatch(const PanoramaArea& area, const PanoramaArea& texture) {
  if (!(area.left < area.right) || !(area.top < area.bottom)) return;
  const std::vector<double> xs = gridBetween(area.left, area.right);
  const std::vector<double> ys = gridBetween(area.top, area.bottom);
  auto textureX = [&](double x) {
    return GLfloat(texture.left +
                   (x - area.left) / (area.right - area.left) * (texture.right - texture.left));
  };
  auto textureY = [&](double y) {
    return GLfloat(texture.top + (y - area.top) / (area.bottom - area.top) * (texture.bottom - texture.top));
  };
  // The quadric's parametrisation: texture s at slice angle 2 pi (1 - s), t at stack angle pi (1 - t), and
  // the ring radius exactly zero at the poles.
  std::vector<GLfloat> ringRadius(ys.size()), ringZ(ys.size());
  for (size_t j = 0; j < ys.size(); ++j) {
    const double stack = std::numbers::pi * (1.0 - ys[j]);
    const bool pole = ys[j] <= 0 || ys[j] >= 1;
    ringRadius[j] = pole ? 0.0f : GLfloat(kRadius * std::sin(stack));
    ringZ[j] = GLfloat(kRadius * std::cos(stack));
  }
  std::vector<GLfloat> sinSlice(xs.size()), cosSlice(xs.size());
  for (size_t i = 0; i < xs.size(); ++i) {
    const double slice = 2.0 * std::numbers::pi * (1.0 - xs[i]);
    sinSlice[i] = GLfloat(std::sin(slice));
    cosSlice[i] = GLfloat(std::cos(slice));
  }

  // One triangle strip per row of the grid, walked from the right edge to the left as the quadric walks its
  // slices: each grid cell is then cut along the same diagonal, and since texture coordinates are
  // interpolated linearly within each triangle, a patch samples exactly where the quadric does.
  std::vector<GLfloat> vertices, texcoords;
  vertices.reserve(xs.size() * 6);
  texcoords.reserve(xs.size() * 4);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_NORMAL_ARRAY);
  glDisableClientState(GL_COLOR_ARRAY);
  for (size_t j = 0; j + 1 < ys.size(); ++j) {
    vertices.clear();
    texcoords.clear();
    for (size_t i = xs.size(); i-- > 0;) {
      for (size_t row : {j, j + 1}) {
        vertices.insert(vertices.end(),
                        {ringRadius[row] * sinSlice[i], ringRadius[row] * cosSlice[i], ringZ[row]});
        texcoords.insert(texcoords.end(), {textureX(xs[i]), textureY(ys[row])});
      }
    }
    glVertexPointer(3, GL_FLOAT, 0, vertices.data());
    glTexCoordPointer(2, GL_FLOAT, 0, texcoords.data());
    glDrawArrays(GL_TRIANGLE_STRIP, 0, GLsizei(vertices.size() / 3));
  }
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

}  // namespace qv
