// The textures of one still picture, filled band by band as its rows arrive: the picture cut into tiles
// within the texture limit (planTiles) and, for a picture of several tiles, a reduced level of a quarter
// of its width and height, box-filtered from the same rows as they pass, which the frame draws instead of
// the full tiles when the view is too wide to show more (levelSharpEnough). Rows come top to bottom from
// one filling thread through addRows, which takes the GL lock for one tile's part of a band at a time, so
// frames go on drawing meanwhile; the frame loop reads the finished tiles under the GL lock. The textures
// are deleted when the last owner lets go, which must happen with the GL lock held and the shared context
// current (the frame input's rule).
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "qv/media/TileGrid.h"
#include "qv/os/GLName.h"
#include "qv/render/FrameSnapshot.h"

namespace qv {

class TiledPicture {
 public:
  static constexpr int kReduction = 4;  // the reduced level's factor on each side

  // A picture of width x height pixels in tiles of at most `tileLimit` pixels a side (see empty()).
  TiledPicture(int width, int height, int tileLimit);
  TiledPicture(const TiledPicture&) = delete;
  TiledPicture& operator=(const TiledPicture&) = delete;

  int width() const { return full_.width; }
  int height() const { return full_.height; }
  // No tiles: the limit cannot hold the picture.
  bool empty() const { return full_.plan.empty(); }
  bool singleTexture() const { return full_.plan.size() == 1; }
  bool hasReducedLevel() const { return !reduced_.plan.empty(); }
  int reducedWidth() const { return reduced_.width; }

  // --- The filling thread, without the GL lock. Rows [firstRow, firstRow + count) of the picture:
  // premultiplied BGRA, 4 x width bytes a row, tightly packed, the bands in order from the top. False,
  // with *reason, when a texture cannot be made or filled (then nothing more should be added).
  bool addRows(const uint8_t* rows, int firstRow, int count, std::mutex& glLock, std::string* reason);

  // --- Under the GL lock.
  // Every row of both levels is in its textures.
  bool complete() const;
  // The one texture of a single-texture picture (an empty slot before it is complete).
  TextureSlot wholeTexture() const;
  // The finished tiles of the level the view needs: the reduced one when it is sharp enough for a view of
  // `fieldOfView` (vertical, degrees) on `viewHeight` pixels and finished, else the full tiles finished so
  // far.
  std::vector<PanoramaTile> finishedTiles(double fieldOfView, double viewHeight) const;

 private:
  struct Level {
    int width = 0, height = 0;  // pixels
    std::vector<PictureTile> plan;
    std::vector<GLTexture> textures;  // one per planned tile, made when its first row arrives
    std::vector<int> rowsDone;        // rows of each tile's texture filled; written under the GL lock
  };
  static void plan(Level& level, int width, int height, int tileLimit);
  static bool finished(const Level& level);
  static void appendFinished(const Level& level, std::vector<PanoramaTile>& tiles);
  // Uploads the rows into every tile of `level` they cross, one tile at a time under the lock.
  bool upload(Level& level, const uint8_t* rows, int firstRow, int count, std::mutex& glLock,
              std::string* reason);
  // Adds the rows to the reduced level's sums; whole groups of kReduction rows become its rows.
  bool reduce(const uint8_t* rows, int firstRow, int count, std::mutex& glLock, std::string* reason);

  Level full_, reduced_;

  // The filling thread only.
  std::vector<uint8_t> staging_;      // one tile's part of a band, when the tile is narrower than the level
  std::vector<uint32_t> sums_;        // per reduced pixel and channel: the sum over its group's rows so far
  std::vector<uint8_t> reducedRows_;  // reduced rows made from one band
};

}  // namespace qv
