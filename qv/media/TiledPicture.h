// The textures of one still picture, filled band by band as its rows arrive: the picture cut into tiles
// within the texture limit (planTiles) and, for a picture of several tiles, two reduced levels of a half
// and a quarter of its width and height, each box-filtered from the level above as the rows pass, which
// the frame draws instead of the full tiles when the view is too wide to show more (levelSharpEnough). Rows
// come top to bottom from one filling thread through addRows, which takes the GL lock for one tile's part of
// a band at a time, so frames go on drawing meanwhile; the frame loop reads the finished tiles under the GL
// lock. The textures are deleted when the last owner lets go, which must happen with the GL lock held and the
// shared context current (the frame input's rule).
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
  // Bands of rows (but the last) are a multiple of this, so each reduced level's rows are whole in a band.
  static constexpr int kBandRowMultiple = 4;
  // The side of the largest tile of a picture that does not fit one texture.
  static constexpr int kLargestTile = 4096;

  // A picture of width x height pixels in tiles of at most `tileLimit` pixels a side (see empty()).
  TiledPicture(int width, int height, int tileLimit);
  TiledPicture(const TiledPicture&) = delete;
  TiledPicture& operator=(const TiledPicture&) = delete;

  int width() const { return levels_[0].width; }
  int height() const { return levels_[0].height; }
  // No tiles: the limit cannot hold the picture.
  bool empty() const { return levels_[0].plan.empty(); }
  bool singleTexture() const { return levels_[0].plan.size() == 1; }

  // --- The filling thread, without the GL lock. Rows [firstRow, firstRow + count) of the picture:
  // premultiplied BGRA, 4 x width bytes a row, tightly packed, the bands in order from the top, each a
  // multiple of kBandRowMultiple rows but the last. False, with *reason, when a texture cannot be made or
  // filled (then nothing more should be added).
  bool addRows(const uint8_t* rows, int firstRow, int count, std::mutex& glLock, std::string* reason);
  // Makes the textures (of every level) that rows [firstRow, firstRow + count) will go into, if not made
  // yet, one at a time under the GL lock: another thread can make them ahead of addRows. False, with
  // *reason, when one cannot be made.
  bool makeTextures(int firstRow, int count, std::mutex& glLock, std::string* reason);

  // --- Under the GL lock.
  // Every row of every level is in its textures.
  bool complete() const;
  // The one texture of a single-texture picture (an empty slot before it is complete).
  TextureSlot wholeTexture() const;
  // The finished tiles of the level the view needs: the smallest finished reduced level that is sharp
  // enough for a view of `fieldOfView` (vertical, degrees) on `viewHeight` pixels, else the full tiles
  // finished so far.
  std::vector<PanoramaTile> finishedTiles(double fieldOfView, double viewHeight) const;

 private:
  struct Level {
    int width = 0, height = 0;  // pixels
    std::vector<PictureTile> plan;
    std::vector<GLTexture> textures;  // one per planned tile, made when its first row arrives
    std::vector<int> rowsDone;        // rows of each tile's texture filled; written under the GL lock
    std::vector<uint8_t> rows;        // a reduced level's rows made from one band; the filling thread only
  };
  static void plan(Level& level, int width, int height, int tileLimit);
  // Under the GL lock, with a context current and no GL error pending: makes tile i's texture unless it
  // exists.
  static bool makeTexture(Level& level, size_t i, std::string* reason);
  static bool noGLError(const PictureTile& tile, std::string* reason);
  static bool finished(const Level& level);
  static void appendFinished(const Level& level, std::vector<PanoramaTile>& tiles);
  // Uploads the rows into every tile of `level` they cross, one tile at a time under the lock.
  bool upload(Level& level, const uint8_t* rows, int firstRow, int count, std::mutex& glLock,
              std::string* reason);
  // Makes level `index`'s rows from rows [firstRow, firstRow + count) of level `index - 1`: each 2 x 2
  // group becomes one of its pixels. They are uploaded and passed on to the next level down.
  bool reduce(size_t index, const uint8_t* rows, int firstRow, int count, std::mutex& glLock,
              std::string* reason);

  // One row of a reduced level from two rows of the level above, `width` pixels each.
  static void reduceRowPair(const uint8_t* top, const uint8_t* bottom, int width, uint8_t* out);

  std::vector<Level> levels_;  // the full picture first, then each reduced level, half the one before

  std::vector<uint8_t> staging_;  // the filling thread's: one tile's part of a band, when narrower than it
};

}  // namespace qv
