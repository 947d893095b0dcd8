// How a still picture larger than one texture is cut into tiles. Tile edges lie on the sphere's 60 x 60
// grid lines wherever the limit allows (so tiles are drawn with exactly the quadric's vertices), and each
// tile's texture holds every picture pixel that linear filtering reaches from inside its area, the
// neighbours' pixels at a shared edge included: tiles meet without a seam and sample what one texture
// would. Every texture is at most `maxTextureSize` on a side. Plain values; any thread.
#pragma once

#include <vector>

#include "qv/os/PanoramaLayout.h"

namespace qv {

struct PictureTile {
  int textureX = 0, textureY = 0;           // the picture pixel in the texture's first column and row
  int textureWidth = 0, textureHeight = 0;  // pixels
  PanoramaArea area;                        // the tile in the picture, as fractions of the picture
  PanoramaArea textureRect;                 // the texture coordinates that show exactly the area
};

// Tiles in rows from the top, left to right; one tile of the whole picture when it fits. Empty for an
// empty picture or a limit below 4 pixels.
std::vector<PictureTile> planTiles(int width, int height, int maxTextureSize);

// Whether a level of the panorama `levelWidth` pixels wide (over 360 degrees) has at least as many pixels
// per degree as the view shows at its centre, where a rectilinear view is densest: then drawing that
// level loses nothing a finer one would show. `fieldOfView` is vertical, degrees; `viewHeight` pixels.
bool levelSharpEnough(int levelWidth, double fieldOfView, double viewHeight);

}  // namespace qv
