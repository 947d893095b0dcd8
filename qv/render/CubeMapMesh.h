// Cube-map pictures on the panorama sphere (radius 20, as the sphere layouts draw it): where each face of
// a 3x2, equi-angular or 6x1 cube map lies in the packed picture and how it is turned, and the mesh that
// lays the faces on the sphere. Geometry is plain data built on the CPU (again only when the layout or the
// texture size changes); drawCubeMapMesh submits it. Main thread; drawing holds the GL lock.
#pragma once

#include <GLES/gl.h>

#include <array>
#include <cstdint>
#include <vector>

#include "qv/os/PanoramaLayout.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

// A direction along one world axis: x to the right, y up, z forward (yaw 0, pitch 0), as a signed unit.
struct CubeAxis {
  int8_t x = 0, y = 0, z = 0;
  bool operator==(const CubeAxis&) const = default;
};

// One face: its cell in the layout's grid, the direction of its centre, and the directions its picture's
// rightward and downward edges run in.
struct CubeFace {
  int column = 0, row = 0;
  CubeAxis centre, right, down;
};

struct CubeFaceGrid {
  int columns = 3, rows = 2;
  std::array<CubeFace, 6> faces{};
};

// The faces of a cube projection; an equirectangular layout has none (an empty grid, 0 x 0).
CubeFaceGrid cubeFaceGrid(PanoramaProjection projection, CubeFaceOrientation orientation);

// The rectangle one face's picture covers, in pixels of one eye's picture of `eyeWidth` x `eyeHeight`:
// its cell less the layout's padding (the equi-angular layout's fixed two-pixel border around each row).
PanoramaArea cubeFacePixels(const PanoramaLayout& layout, const CubeFace& face, double eyeWidth,
                            double eyeHeight);

// The part of a stereo-packed picture that shows one eye (0 left, 1 right), as fractions; a mono picture
// shows its whole to both.
PanoramaArea packedEyeArea(StereoPacking packing, int eye);

struct CubeMapMesh {
  std::vector<GLfloat> vertices;   // x, y, z per vertex, in the sphere quadric's frame
  std::vector<GLfloat> texcoords;  // s, t per vertex (t = 0 at the top row of the picture)
  std::vector<GLushort> indices;   // triangles
};

// The faces of `layout` as a mesh: each face a grid of `subdivisions` x `subdivisions` quads whose vertices
// lie on the sphere, with the texture coordinates of a `textureWidth` x `textureHeight` texture whose
// `eye` part holds the cube map. The equi-angular warp is in the vertices' texture coordinates, and every
// face's coordinates stay half a texel inside its picture, so linear filtering never reads a neighbour
// (a texture size of 0 means not known: no inset). Empty for an equirectangular layout.
CubeMapMesh buildCubeMapMesh(const PanoramaLayout& layout, int32_t textureWidth, int32_t textureHeight,
                             const PanoramaArea& eye, int subdivisions = 16);

// A picture that arrives as a texture pair is its two halves side by side, the first texture the left
// part, `splitAt` of the picture's width (every layout's split falls on a line of vertices: through the
// middle of the centre column of a 3x2 grid when the subdivisions are even, between faces of a 6x1 strip).
// The mesh of the whole picture becomes one mesh per texture, its texture coordinates in that texture's own.
std::array<CubeMapMesh, 2> splitCubeMapMesh(const CubeMapMesh& mesh, double splitAt);

// Draws the mesh with the texture the caller bound; leaves the client arrays disabled.
void drawCubeMapMesh(const CubeMapMesh& mesh);

}  // namespace qv
QV_EXPORT_END
