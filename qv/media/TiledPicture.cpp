#include "qv/media/TiledPicture.h"

#include <algorithm>
#include <cstring>

#include "qv/os/GLES.h"
#include "qv/os/ScopedUnpackAlignment.h"
#include "qv/platform/QVContext.h"

namespace qv {

TiledPicture::TiledPicture(int width, int height, int tileLimit) {
  plan(full_, width, height, tileLimit);
  // Only a picture of several tiles is dear enough to draw for a reduced level to pay its way.
  if (full_.plan.size() > 1) {
    plan(reduced_, (width + kReduction - 1) / kReduction, (height + kReduction - 1) / kReduction, tileLimit);
    sums_.assign(size_t(reduced_.width) * 4, 0);
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
  if (!upload(full_, rows, firstRow, count, glLock, reason)) return false;
  return !hasReducedLevel() || reduce(rows, firstRow, count, glLock, reason);
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
    ScopedUnpackAlignment alignment(4);
    while (glGetError() != GL_NO_ERROR) {
    }
    GLTexture& texture = level.textures[i];
    if (!texture) {
      texture = GLTexture::generate();
      glBindTexture(GL_TEXTURE_2D, texture.get());
      glTexImage2D(GL_TEXTURE_2D, 0, GL_BGRA_EXT, tile.textureWidth, tile.textureHeight, 0, GL_BGRA_EXT,
                   GL_UNSIGNED_BYTE, nullptr);
      glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GLfloat(GL_LINEAR));
      glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GLfloat(GL_LINEAR));
      glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GLfloat(GL_CLAMP_TO_EDGE));
      glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GLfloat(GL_CLAMP_TO_EDGE));
    } else {
      glBindTexture(GL_TEXTURE_2D, texture.get());
    }
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, from - tile.textureY, tile.textureWidth, to - from, GL_BGRA_EXT,
                    GL_UNSIGNED_BYTE, source);
    glBindTexture(GL_TEXTURE_2D, 0);
    if (GLenum error = glGetError(); error != GL_NO_ERROR) {
      char text[120];
      std::snprintf(text, sizeof text, "cannot make a %dx%d tile texture (GL error 0x%x)", tile.textureWidth,
                    tile.textureHeight, error);
      *reason = text;
      return false;
    }
    level.rowsDone[i] += to - from;
  }
  return true;
}

bool TiledPicture::reduce(const uint8_t* rows, int firstRow, int count, std::mutex& glLock,
                          std::string* reason) {
  const int width = full_.width, reducedWidth = reduced_.width;
  reducedRows_.clear();
  int firstReducedRow = -1;
  for (int r = 0; r < count; ++r) {
    const int row = firstRow + r;
    const uint8_t* pixel = rows + size_t(r) * size_t(width) * 4;
    uint32_t* sum = sums_.data();
    const int wholeGroups = width / kReduction;
    // The hot loop of a band: four pixels a group, no bounds to check (the compiler vectorises it).
    for (int g = 0; g < wholeGroups; ++g, sum += 4, pixel += 4 * kReduction)
      for (int c = 0; c < 4; ++c) sum[c] += uint32_t(pixel[c]) + pixel[4 + c] + pixel[8 + c] + pixel[12 + c];
    for (int x = wholeGroups * kReduction; x < width; ++x, pixel += 4)
      for (int c = 0; c < 4; ++c) sum[c] += pixel[c];
    const bool groupEnds = (row + 1) % kReduction == 0 || row + 1 == full_.height;
    if (!groupEnds) continue;
    const int groupRows = row % kReduction + 1;
    if (firstReducedRow < 0) firstReducedRow = row / kReduction;
    const size_t start = reducedRows_.size();
    reducedRows_.resize(start + size_t(reducedWidth) * 4);
    uint8_t* out = reducedRows_.data() + start;
    for (int x = 0; x < reducedWidth; ++x) {
      const uint32_t samples = uint32_t(std::min(kReduction, width - x * kReduction) * groupRows);
      for (int c = 0; c < 4; ++c)
        out[x * 4 + c] = uint8_t((sums_[size_t(x) * 4 + c] + samples / 2) / samples);
    }
    std::fill(sums_.begin(), sums_.end(), 0);
  }
  if (firstReducedRow < 0) return true;
  const int reducedCount = int(reducedRows_.size() / (size_t(reducedWidth) * 4));
  return upload(reduced_, reducedRows_.data(), firstReducedRow, reducedCount, glLock, reason);
}

bool TiledPicture::finished(const Level& level) {
  for (size_t i = 0; i < level.plan.size(); ++i)
    if (level.rowsDone[i] < level.plan[i].textureHeight) return false;
  return true;
}

bool TiledPicture::complete() const {
  return !empty() && finished(full_) && finished(reduced_);
}

TextureSlot TiledPicture::wholeTexture() const {
  if (!singleTexture() || !complete()) return {};
  return {GL_TEXTURE_2D, full_.textures[0].get(), full_.width, full_.height};
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
  const bool reducedWill =
      hasReducedLevel() && finished(reduced_) && levelSharpEnough(reduced_.width, fieldOfView, viewHeight);
  appendFinished(reducedWill ? reduced_ : full_, tiles);
  return tiles;
}

}  // namespace qv
