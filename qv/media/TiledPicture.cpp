#include "qv/media/TiledPicture.h"

#include <algorithm>
#include <cstring>

#include "qv/os/GLES.h"
#include "qv/os/ScopedUnpackAlignment.h"
#include "qv/platform/QVContext.h"

namespace qv {

namespace {

// Errors left by earlier GL work on the shared context, so that a check after this work sees its own.
void clearGLErrors() {
  while (glGetError() != GL_NO_ERROR) {
  }
}

uint32_t pixelAt(const uint8_t* row, int x) {
  uint32_t pixel;
  std::memcpy(&pixel, row + size_t(x) * 4, 4);
  return pixel;
}

}  // namespace

void TiledPicture::reduceRowPair(const uint8_t* top, const uint8_t* bottom, int width, uint8_t* out) {
  // Each output channel is the rounded mean of a 2 x 2 group. The channels are summed two at a time in the
  // 16-bit halves of a word (bytes 0 and 2, then 1 and 3), where four of them cannot overflow. A missing
  // column at the right edge repeats its neighbour, which gives the mean of the samples there are.
  constexpr uint32_t kMask = 0x00FF00FF, kHalf = 0x00020002;
  for (int x = 0; x < (width + 1) / 2; ++x) {
    const int left = 2 * x, right = std::min(2 * x + 1, width - 1);
    const uint32_t a = pixelAt(top, left), b = pixelAt(top, right), c = pixelAt(bottom, left),
                   d = pixelAt(bottom, right);
    const uint32_t even = (a & kMask) + (b & kMask) + (c & kMask) + (d & kMask) + kHalf;
    const uint32_t odd = (a >> 8 & kMask) + (b >> 8 & kMask) + (c >> 8 & kMask) + (d >> 8 & kMask) + kHalf;
    const uint32_t pixel = (even >> 2 & kMask) | (odd >> 2 & kMask) << 8;
    std::memcpy(out + size_t(x) * 4, &pixel, 4);
  }
}

TiledPicture::TiledPicture(int width, int height, int tileLimit) : levels_(1) {
  plan(levels_[0], width, height, tileLimit);
  if (levels_[0].plan.size() < 2) return;
  // A picture that needs several tiles anyway gets small ones: making a texture holds the GL lock (and
  // the frames) for a time in proportion to its size, and a band needs the textures of its rows only.
  const int limit = std::min(tileLimit, kLargestTile);
  plan(levels_[0], width, height, limit);
  // Only a picture of several tiles is dear enough to draw for reduced levels to pay their way.
  for (int factor = 2; factor <= kBandRowMultiple; factor *= 2) {
    Level& level = levels_.emplace_back();
    plan(level, (width + factor - 1) / factor, (height + factor - 1) / factor, limit);
  }
}

void TiledPicture::plan(Level& level, int width, int height, int tileLimit) {
  level.width = width;
  level.height = height;
  level.plan = planTiles(width, height, tileLimit);
  level.textures.resize(level.plan.size());
  level.rowsDone.assign(level.plan.size(), 0);
}

bool TiledPicture::addRows(const uint8_t* rows, int firstRow, int count, std::mutex& glLock,
                           std::string* reason) {
  if (!upload(levels_[0], rows, firstRow, count, glLock, reason)) return false;
  return levels_.size() < 2 || reduce(1, rows, firstRow, count, glLock, reason);
}

bool TiledPicture::noGLError(const PictureTile& tile, std::string* reason) {
  const GLenum error = glGetError();
  if (error == GL_NO_ERROR) return true;
  char text[120];
  std::snprintf(text, sizeof text, "cannot make a %dx%d tile texture (GL error 0x%x)", tile.textureWidth,
                tile.textureHeight, error);
  *reason = text;
  return false;
}

bool TiledPicture::makeTexture(Level& level, size_t i, std::string* reason) {
  GLTexture& texture = level.textures[i];
  if (texture) return true;
  const PictureTile& tile = level.plan[i];
  texture = GLTexture::generate();
  glBindTexture(GL_TEXTURE_2D, texture.get());
  glTexImage2D(GL_TEXTURE_2D, 0, GL_BGRA_EXT, tile.textureWidth, tile.textureHeight, 0, GL_BGRA_EXT,
               GL_UNSIGNED_BYTE, nullptr);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GLfloat(GL_LINEAR));
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GLfloat(GL_LINEAR));
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GLfloat(GL_CLAMP_TO_EDGE));
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GLfloat(GL_CLAMP_TO_EDGE));
  glBindTexture(GL_TEXTURE_2D, 0);
  return noGLError(tile, reason);
}

bool TiledPicture::makeTextures(int firstRow, int count, std::mutex& glLock, std::string* reason) {
  for (size_t index = 0; index < levels_.size(); ++index) {
    Level& level = levels_[index];
    // Rows [from, to) of this level hold the band's rows.
    const int from = firstRow >> index, to = ((firstRow + count - 1) >> index) + 1;
    for (size_t i = 0; i < level.plan.size(); ++i) {
      const PictureTile& tile = level.plan[i];
      if (from >= tile.textureY + tile.textureHeight || to <= tile.textureY) continue;
      std::lock_guard<std::mutex> guard(glLock);
      SharedContextScope scope;
      if (!scope.ok()) {
        *reason = "no GL context";
        return false;
      }
      clearGLErrors();
      if (!makeTexture(level, i, reason)) return false;
    }
  }
  return true;
}

bool TiledPicture::upload(Level& level, const uint8_t* rows, int firstRow, int count, std::mutex& glLock,
                          std::string* reason) {
  const size_t levelRowBytes = size_t(level.width) * 4;
  for (size_t i = 0; i < level.plan.size(); ++i) {
    const PictureTile& tile = level.plan[i];
    const int from = std::max(firstRow, tile.textureY);
    const int to = std::min(firstRow + count, tile.textureY + tile.textureHeight);
    if (from >= to) continue;
    const size_t tileRowBytes = size_t(tile.textureWidth) * 4;
    const uint8_t* source = rows + size_t(from - firstRow) * levelRowBytes + size_t(tile.textureX) * 4;
    if (tile.textureWidth != level.width) {
      // GL ES 1 has no row length for unpacking: a narrower tile's part is copied out, before the lock.
      staging_.resize(tileRowBytes * size_t(to - from));
      for (int row = 0; row < to - from; ++row)
        std::memcpy(staging_.data() + size_t(row) * tileRowBytes, source + size_t(row) * levelRowBytes,
                    tileRowBytes);
      source = staging_.data();
    }
    std::lock_guard<std::mutex> guard(glLock);
    SharedContextScope scope;
    if (!scope.ok()) {
      *reason = "no GL context";
      return false;
    }
    clearGLErrors();
    if (!makeTexture(level, i, reason)) return false;
    ScopedUnpackAlignment alignment(4);
    glBindTexture(GL_TEXTURE_2D, level.textures[i].get());
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, from - tile.textureY, tile.textureWidth, to - from, GL_BGRA_EXT,
                    GL_UNSIGNED_BYTE, source);
    glBindTexture(GL_TEXTURE_2D, 0);
    if (!noGLError(tile, reason)) return false;
    level.rowsDone[i] += to - from;
  }
  return true;
}

bool TiledPicture::reduce(size_t index, const uint8_t* rows, int firstRow, int count, std::mutex& glLock,
                          std::string* reason) {
  const Level& above = levels_[index - 1];
  Level& level = levels_[index];
  const size_t rowBytes = size_t(above.width) * 4, levelRowBytes = size_t(level.width) * 4;
  // Bands start on an even row of every level and hold whole pairs of rows, but for the last row of a
  // picture of odd height, which stands alone.
  const int made = (count + 1) / 2;
  level.rows.resize(size_t(made) * levelRowBytes);
  for (int r = 0; r < count; r += 2) {
    const uint8_t* top = rows + size_t(r) * rowBytes;
    reduceRowPair(top, r + 1 < count ? top + rowBytes : top, above.width,
                  level.rows.data() + size_t(r / 2) * levelRowBytes);
  }
  if (!upload(level, level.rows.data(), firstRow / 2, made, glLock, reason)) return false;
  return index + 1 >= levels_.size() ||
         reduce(index + 1, level.rows.data(), firstRow / 2, made, glLock, reason);
}

bool TiledPicture::finished(const Level& level) {
  for (size_t i = 0; i < level.plan.size(); ++i)
    if (level.rowsDone[i] < level.plan[i].textureHeight) return false;
  return true;
}

bool TiledPicture::complete() const {
  if (empty()) return false;
  for (const Level& level : levels_)
    if (!finished(level)) return false;
  return true;
}

TextureSlot TiledPicture::wholeTexture() const {
  if (!singleTexture() || !complete()) return {};
  const Level& full = levels_[0];
  return {GL_TEXTURE_2D, full.textures[0].get(), full.width, full.height};
}

void TiledPicture::appendFinished(const Level& level, std::vector<PanoramaTile>& tiles) {
  for (size_t i = 0; i < level.plan.size(); ++i) {
    if (level.rowsDone[i] < level.plan[i].textureHeight) continue;
    const PictureTile& tile = level.plan[i];
    tiles.push_back({{GL_TEXTURE_2D, level.textures[i].get(), tile.textureWidth, tile.textureHeight},
                     tile.area,
                     tile.textureRect});
  }
}

std::vector<PanoramaTile> TiledPicture::finishedTiles(double fieldOfView, double viewHeight) const {
  std::vector<PanoramaTile> tiles;
  const Level* chosen = &levels_[0];
  for (size_t i = levels_.size(); i-- > 1;) {
    if (finished(levels_[i]) && levelSharpEnough(levels_[i].width, fieldOfView, viewHeight)) {
      chosen = &levels_[i];
      break;
    }
  }
  appendFinished(*chosen, tiles);
  return tiles;
}

}  // namespace qv
