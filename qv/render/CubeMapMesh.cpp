#include "qv/render/CubeMapMesh.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "qv/os/GLES.h"

namespace qv {

namespace {

constexpr double kRadius = 20.0;
// The equi-angular layout keeps two pixels above and below each row of faces and left and right of the
// picture, as the common converter writes it.
constexpr double kEquiAngularBorder = 2.0;
// A texture of unknown size is taken as one so fine that the half-texel inset and pixel padding vanish.
constexpr double kUnknownTextureSize = 1 << 20;

constexpr CubeAxis kRight{1, 0, 0}, kLeft{-1, 0, 0}, kUp{0, 1, 0}, kDown{0, -1, 0}, kFront{0, 0, 1},
    kBack{0, 0, -1};

// Faces right, left, up, down, front, back in reading order, the side faces upright.
CubeFaceGrid sixFaces(int columns, CubeFaceOrientation orientation) {
  CubeFaceGrid grid;
  grid.columns = columns;
  grid.rows = 6 / columns;
  const bool metadata = orientation == CubeFaceOrientation::Metadata;
  const std::array<CubeFace, 6> faces = {{
      {0, 0, kRight, kBack, kDown},
      {0, 0, kLeft, kFront, kDown},
      {0, 0, kUp, metadata ? kLeft : kRight, metadata ? kBack : kFront},
      {0, 0, kDown, metadata ? kLeft : kRight, metadata ? kFront : kBack},
      {0, 0, kFront, kRight, kDown},
      {0, 0, kBack, kLeft, kDown},
  }};
  for (int i = 0; i < 6; ++i) {
    grid.faces[size_t(i)] = faces[size_t(i)];
    grid.faces[size_t(i)].column = i % columns;
    grid.faces[size_t(i)].row = i / columns;
  }
  return grid;
}

// Left, front, right over down, back, up; the lower row's faces are turned a quarter turn.
CubeFaceGrid equiAngularFaces() {
  return {3,
          2,
          {{
              {0, 0, kLeft, kFront, kDown},
              {1, 0, kFront, kRight, kDown},
              {2, 0, kRight, kBack, kDown},
              {0, 1, kDown, kBack, kLeft},
              {1, 1, kBack, kUp, kLeft},
              {2, 1, kUp, kFront, kLeft},
          }}};
}

}  // namespace

CubeFaceGrid cubeFaceGrid(PanoramaProjection projection, CubeFaceOrientation orientation) {
  switch (projection) {
    case PanoramaProjection::CubeMap3x2:
      return sixFaces(3, orientation);
    case PanoramaProjection::CubeMap6x1:
      return sixFaces(6, orientation);
    case PanoramaProjection::EquiAngularCubeMap:
      return equiAngularFaces();
    case PanoramaProjection::Equirectangular:
      break;
  }
  return {0, 0, {}};
}

PanoramaArea cubeFacePixels(const PanoramaLayout& layout, const CubeFace& face, double eyeWidth,
                            double eyeHeight) {
  const CubeFaceGrid grid = cubeFaceGrid(layout.projection, layout.cubeFaces);
  if (grid.columns == 0) return {0, 0, 0, 0};
  if (layout.projection == PanoramaProjection::EquiAngularCubeMap) {
    const double width = (eyeWidth - 2 * kEquiAngularBorder) / 3, rowHeight = eyeHeight / 2;
    return {kEquiAngularBorder + face.column * width, face.row * rowHeight + kEquiAngularBorder,
            kEquiAngularBorder + (face.column + 1) * width, (face.row + 1) * rowHeight - kEquiAngularBorder};
  }
  const double width = eyeWidth / grid.columns, height = eyeHeight / grid.rows;
  const double pad = std::max(0, layout.cubePadding);
  return {face.column * width + pad, face.row * height + pad, (face.column + 1) * width - pad,
          (face.row + 1) * height - pad};
}

PanoramaArea packedEyeArea(StereoPacking packing, int eye) {
  return stereoEyeArea(packing, eye == 1);
}

CubeMapMesh buildCubeMapMesh(const PanoramaLayout& layout, int32_t textureWidth, int32_t textureHeight,
                             const PanoramaArea& eye, int subdivisions) {
  CubeMapMesh mesh;
  const CubeFaceGrid grid = cubeFaceGrid(layout.projection, layout.cubeFaces);
  if (grid.columns == 0 || subdivisions < 1) return mesh;
  const bool known = textureWidth > 0 && textureHeight > 0;
  const double width = known ? textureWidth : kUnknownTextureSize;
  const double height = known ? textureHeight : kUnknownTextureSize;
  const double eyeLeft = eye.left * width, eyeTop = eye.top * height;
  const bool equiAngular = layout.projection == PanoramaProjection::EquiAngularCubeMap;
  const int n = subdivisions, side = n + 1;
  mesh.vertices.reserve(size_t(6 * side * side * 3));
  mesh.texcoords.reserve(size_t(6 * side * side * 2));
  mesh.indices.reserve(size_t(6 * n * n * 6));

  for (const CubeFace& face : grid.faces) {
    const PanoramaArea pixels =
        cubeFacePixels(layout, face, (eye.right - eye.left) * width, (eye.bottom - eye.top) * height);
    // Linear filtering reads the texels around a sample: half a texel in from the face's border it reads
    // this face alone.
    auto texel = [](double from, double to, double fraction) {
      const double at = from + fraction * (to - from);
      return to - from > 1 ? std::clamp(at, from + 0.5, to - 0.5) : (from + to) / 2;
    };
    const auto first = GLushort(mesh.vertices.size() / 3);
    for (int j = 0; j <= n; ++j) {
      const double fv = double(j) / n;
      for (int i = 0; i <= n; ++i) {
        const double fu = double(i) / n;
        double a = 2 * fu - 1, b = 2 * fv - 1;
        if (equiAngular) {
          // Equal steps across the face are equal angles from its centre.
          a = std::tan(a * std::numbers::pi / 4);
          b = std::tan(b * std::numbers::pi / 4);
        }
        const double x = face.centre.x + a * face.right.x + b * face.down.x;
        const double y = face.centre.y + a * face.right.y + b * face.down.y;
        const double z = face.centre.z + a * face.right.z + b * face.down.z;
        const double scale = kRadius / std::sqrt(x * x + y * y + z * z);
        // The sphere quadric's frame: the panorama's forward is -y, its zenith -z.
        mesh.vertices.insert(mesh.vertices.end(),
                             {GLfloat(x * scale), GLfloat(-z * scale), GLfloat(-y * scale)});
        mesh.texcoords.insert(mesh.texcoords.end(),
                              {GLfloat((eyeLeft + texel(pixels.left, pixels.right, fu)) / width),
                               GLfloat((eyeTop + texel(pixels.top, pixels.bottom, fv)) / height)});
      }
    }
    for (int j = 0; j < n; ++j)
      for (int i = 0; i < n; ++i) {
        const auto corner = GLushort(first + j * side + i);
        mesh.indices.insert(mesh.indices.end(),
                            {corner, GLushort(corner + 1), GLushort(corner + side), GLushort(corner + 1),
                             GLushort(corner + side + 1), GLushort(corner + side)});
      }
  }
  return mesh;
}

std::array<CubeMapMesh, 2> splitCubeMapMesh(const CubeMapMesh& mesh, double splitAt) {
  std::array<CubeMapMesh, 2> halves;
  if (!(splitAt > 0 && splitAt < 1)) return halves;
  for (int half = 0; half < 2; ++half) {
    CubeMapMesh& part = halves[size_t(half)];
    part.vertices = mesh.vertices;
    part.texcoords = mesh.texcoords;
    const double from = half == 0 ? 0 : splitAt, width = half == 0 ? splitAt : 1 - splitAt;
    for (size_t s = 0; s < part.texcoords.size(); s += 2) {
      part.texcoords[s] = GLfloat(std::clamp((mesh.texcoords[s] - from) / width, 0.0, 1.0));
    }
  }
  // A triangle belongs to the half that holds its middle.
  for (size_t t = 0; t + 2 < mesh.indices.size(); t += 3) {
    double middle = 0;
    for (size_t k = 0; k < 3; ++k) middle += mesh.texcoords[size_t(mesh.indices[t + k]) * 2] / 3.0;
    CubeMapMesh& part = halves[middle < splitAt ? 0 : 1];
    part.indices.insert(part.indices.end(), mesh.indices.begin() + ptrdiff_t(t),
                        mesh.indices.begin() + ptrdiff_t(t + 3));
  }
  return halves;
}

void drawCubeMapMesh(const CubeMapMesh& mesh) {
  if (mesh.indices.empty()) return;
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_NORMAL_ARRAY);
  glDisableClientState(GL_COLOR_ARRAY);
  glVertexPointer(3, GL_FLOAT, 0, mesh.vertices.data());
  glTexCoordPointer(2, GL_FLOAT, 0, mesh.texcoords.data());
  glDrawElements(GL_TRIANGLES, GLsizei(mesh.indices.size()), GL_UNSIGNED_SHORT, mesh.indices.data());
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

}  // namespace qv
