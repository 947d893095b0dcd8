#include "qv/media/FrameInput.h"

#include <algorithm>
#include <atomic>
#include <cinttypes>
#include <cstdlib>
#include <limits>

#include "qv/media/TileGrid.h"
#include "qv/os/GLES.h"
#include "qv/os/Image.h"
#include "qv/os/PixelBuffer.h"
#include "qv/os/QVLog.h"
#include "qv/os/ScopedUnpackAlignment.h"
#include "qv/os/TextureCache.h"
#include "qv/platform/GLUploadPriority.h"
#include "qv/platform/QVContext.h"

namespace qv {

namespace {

void setFrameTextureParameters(GLenum target) {
  glTexParameterf(target, GL_TEXTURE_MIN_FILTER, GLfloat(GL_LINEAR));
  glTexParameterf(target, GL_TEXTURE_MAG_FILTER, GLfloat(GL_LINEAR));
  glTexParameterf(target, GL_TEXTURE_WRAP_S, GLfloat(GL_CLAMP_TO_EDGE));
  glTexParameterf(target, GL_TEXTURE_WRAP_T, GLfloat(GL_CLAMP_TO_EDGE));
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GLfloat(GL_MODULATE));
}

// The GL maximum texture size of the shared context, asked once.
GLint maxTextureSize() {
  static std::atomic<GLint> cached{0};
  GLint size = cached.load();
  if (size > 0) return size;
  std::lock_guard<std::mutex> guard(QVContext::glLock());
  SharedContextScope scope;
  if (!scope.ok()) return 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
  if (size > 0) cached = size;
  return size;
}

// Rows uploaded per glTexSubImage2D call of a tile: bounds the staging buffer (and the time the GL lock is
// held for one call) whatever the tile's width.
constexpr size_t kTileBandBytes = size_t(16) << 20;

}  // namespace

void FrameInput::ensureTextureCache() {
  if (!videoTextureCache) videoTextureCache = TextureCache::create(QVContext::getCurrentContext());
}

std::shared_ptr<CacheTexture> FrameInput::textureFromBuffer(PixelBuffer& buffer) {
  std::shared_ptr<CacheTexture> texture;
  int error = TextureCache::kInvalidArgument;
  if (videoTextureCache) {
    buffer.lockBaseAddress();
    error = videoTextureCache->createTextureFromImage(buffer, GL_TEXTURE_2D, GL_RGBA, buffer.width(),
                                                      buffer.height(), GL_BGRA_EXT, GL_UNSIGNED_BYTE, 0,
                                                      &texture);
    buffer.unlockBaseAddress();
  }
  if (error != TextureCache::kSuccess || !texture) {
    QVLog("Movie CVOpenGLESTextureCacheCreateTextureFromImage failed (error: %d)", error);
    return nullptr;
  }
  return texture;
}

TextureSlot FrameInput::slot(GLuint target, GLuint name, const CacheTexture* texture) {
  if (!texture || target == 0) return {target, name};
  return {target, name, texture->width(), texture->height()};
}

void FrameInput::publish(std::shared_ptr<CacheTexture> texture, std::shared_ptr<CacheTexture>& ref,
                         GLuint& target, GLuint& name) {
  ref = std::move(texture);
  target = ref->target();
  name = ref->name();
  glBindTexture(target, name);
  setFrameTextureParameters(target);
  glBindTexture(target, 0);  // the shared context's state stays as the frame loop leaves it
}

bool FrameInput::onImageBuffer(PixelBuffer* buffer, int32_t w, int32_t h) {
  if (!buffer) return false;
  GLUploadPriority::Announcement goesFirst;
  std::lock_guard<std::mutex> guard(textureUsageLock);
  SharedContextScope scope;
  if (!scope.ok()) return false;
  ensureTextureCache();
  // The buffer knows its own size; a caller's w and h that disagree would upload past its rows.
  if (w != buffer->width() || h != buffer->height()) {
    QVLog("onImageBuffer: size %dx%d does not match the pixel buffer's %dx%d; using the buffer's", w, h,
          buffer->width(), buffer->height());
  }
  // The new texture is made before the old one is let go, so a failure leaves the previous frame drawable.
  auto texture = textureFromBuffer(*buffer);
  if (!texture) return false;
  tiles_.clear();
  tilesShown_ = false;
  publish(std::move(texture), _videoTextureRef1, target1, name1);
  glFlush();
  videoTextureCache->flush();
  return true;
}

void FrameInput::onImageBuffer2(PixelBuffer* first, PixelBuffer* second) {
  SharedContextScope scope;
  if (!scope.ok()) return;
  if (videoTextureCache) videoTextureCache->flush();
  std::shared_ptr<CacheTexture> textures[2];
  PixelBuffer* buffers[2] = {first, second};
  for (int i = 0; i < 2; ++i) {
    if (!buffers[i]) continue;
    textures[i] = textureFromBuffer(*buffers[i]);
    if (!textures[i]) return;  // nothing is published; both slots keep their textures
  }
  if (textures[0]) {
    tiles_.clear();
    tilesShown_ = false;
    publish(std::move(textures[0]), _videoTextureRef1, target1, name1);
  }
  if (textures[1]) publish(std::move(textures[1]), _videoTextureRef2, target2, name2);
}

void FrameInput::onVideoFrame(const uint8_t* pixels, int32_t w, int32_t h) {
  std::lock_guard<std::mutex> guard(textureUsageLock);
  SharedContextScope scope;
  if (!scope.ok()) return;
  if (!texId) {
    texId = GLTexture::generate();
    glBindTexture(GL_TEXTURE_2D, texId.get());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  }
  glBindTexture(GL_TEXTURE_2D, texId.get());
  if (w > 0 && texId) {
    ScopedUnpackAlignment alignment(4);
    if (pixels && h > 0) {
      glTexImage2D(GL_TEXTURE_2D, 0, GL_BGRA_EXT, w, h, 0, GL_BGRA_EXT, GL_UNSIGNED_BYTE, pixels);
    } else {
      glTexImage2D(GL_TEXTURE_2D, 0, GL_BGRA_EXT, 1, 1, 0, GL_BGRA_EXT, GL_UNSIGNED_BYTE, nullptr);
    }
  }
  glBindTexture(GL_TEXTURE_2D, 0);
  while (glGetError() != GL_NO_ERROR) {
  }
}

bool FrameInput::setImage(const std::shared_ptr<Image>& image) {
  if (!image) return false;
  int w = image->width(), h = image->height();
  int limit = maxTextureSize();
  const int32_t hostLimit = maximumTileSize_;
  // A few tiles more per frame cost nothing, thousands would: tiles are at least 64 pixels a side.
  if (hostLimit > 0 && (limit <= 0 || hostLimit < limit)) limit = std::max(hostLimit, int32_t(64));
  if (limit > 0 && (w > limit || h > limit)) return setTiledImage(*image, limit);
  uint64_t bytesPerRow = uint64_t(w) * 4;
  if (const uint8_t* ready = image->premultipliedBGRA()) {
    // Already in the upload form: wrapped without a copy (the upload only reads it).
    auto buffer = PixelBuffer::createWithBytes(w, h, const_cast<uint8_t*>(ready), size_t(bytesPerRow));
    return buffer && onImageBuffer(buffer.get(), w, h);
  }
  uint64_t size = bytesPerRow * uint64_t(h);
  if (size > std::numeric_limits<size_t>::max()) return false;
  auto* bytes = static_cast<uint8_t*>(std::malloc(size_t(size)));
  if (!bytes) {
    QVLog("setImage: cannot allocate %" PRIu64 " bytes for a %dx%d image", size, w, h);
    return false;
  }
  image->copyPremultipliedBGRA(bytes, size_t(bytesPerRow));
  auto buffer = PixelBuffer::createWithBytes(w, h, bytes, size_t(bytesPerRow));
  const bool shown = buffer && onImageBuffer(buffer.get(), w, h);
  buffer.reset();
  std::free(bytes);
  return shown;
}

bool FrameInput::setTiledImage(const Image& image, int limit) {
  const int w = image.width(), h = image.height();
  const std::vector<PictureTile> plan = planTiles(w, h, limit);
  if (plan.empty()) {
    QVLog("setImage: a tile limit of %d pixels cannot hold a %dx%d image; keeping the previous image", limit,
          w, h);
    return false;
  }
  std::vector<TileTexture> uploaded;
  uploaded.reserve(plan.size());
  std::vector<uint8_t> band;
  bool ok = true;
  for (const PictureTile& tile : plan) {
    const size_t rowBytes = size_t(tile.textureWidth) * 4;
    const int bandRows =
        int(std::max<size_t>(1, std::min<size_t>(tile.textureHeight, kTileBandBytes / rowBytes)));
    band.resize(rowBytes * size_t(bandRows));
    GLTexture texture;
    for (int row = 0; row < tile.textureHeight && ok; row += bandRows) {
      const int rows = std::min(bandRows, tile.textureHeight - row);
      const int pictureRow = tile.textureY + row;
      // Copied before the lock is taken, so frames go on drawing meanwhile.
      image.copyPremultipliedBGRA(band.data(), rowBytes, tile.textureX, pictureRow, tile.textureWidth, rows);
      GLUploadPriority::Announcement goesFirst;
      std::lock_guard<std::mutex> guard(textureUsageLock);
      SharedContextScope scope;
      if (!scope.ok()) {
        ok = false;
        break;
      }
      ScopedUnpackAlignment alignment(4);
      if (!texture) {
        while (glGetError() != GL_NO_ERROR) {
        }
        texture = GLTexture::generate();
        glBindTexture(GL_TEXTURE_2D, texture.get());
        glTexImage2D(GL_TEXTURE_2D, 0, GL_BGRA_EXT, tile.textureWidth, tile.textureHeight, 0, GL_BGRA_EXT,
                     GL_UNSIGNED_BYTE, nullptr);
        setFrameTextureParameters(GL_TEXTURE_2D);
      } else {
        glBindTexture(GL_TEXTURE_2D, texture.get());
      }
      glTexSubImage2D(GL_TEXTURE_2D, 0, 0, row, tile.textureWidth, rows, GL_BGRA_EXT, GL_UNSIGNED_BYTE,
                      band.data());
      glBindTexture(GL_TEXTURE_2D, 0);
      if (GLenum error = glGetError(); error != GL_NO_ERROR) {
        QVLog("setImage: cannot make a %dx%d tile texture (GL error 0x%x); keeping the previous image",
              tile.textureWidth, tile.textureHeight, error);
        texture.reset();
        ok = false;
      }
    }
    // A texture half made is kept with the others so that it is deleted with the context current.
    if (texture) uploaded.push_back({std::move(texture), tile.area, tile.textureRect});
    if (!ok) break;
  }

  GLUploadPriority::Announcement goesFirst;
  std::lock_guard<std::mutex> guard(textureUsageLock);
  SharedContextScope scope;
  if (!scope.ok()) {
    // Without the context the names cannot be deleted; they go with the context.
    for (TileTexture& tile : uploaded) tile.texture.release();
    return false;
  }
  if (!ok) {
    uploaded.clear();
    return false;
  }
  tiles_ = std::move(uploaded);
  tilesShown_ = true;
  // The previous single texture is no longer drawn: let the cache have it back.
  target1 = 0;
  _videoTextureRef1.reset();
  if (videoTextureCache) videoTextureCache->flush();
  glFlush();
  return true;
}

std::vector<PanoramaTile> FrameInput::tiles() const {
  std::vector<PanoramaTile> tiles;
  if (!tilesShown_) return tiles;
  tiles.reserve(tiles_.size());
  for (const TileTexture& tile : tiles_)
    tiles.push_back({{GL_TEXTURE_2D, tile.texture.get()}, tile.area, tile.textureRect});
  return tiles;
}

void FrameInput::injectImage(std::shared_ptr<Image> image) {
  std::lock_guard<std::mutex> guard(injectLock_);
  imageInject = std::move(image);
}

bool FrameInput::hasPendingImage() {
  std::lock_guard<std::mutex> guard(injectLock_);
  return imageInject != nullptr;
}

std::shared_ptr<Image> FrameInput::takePendingImage() {
  std::lock_guard<std::mutex> guard(injectLock_);
  return std::exchange(imageInject, nullptr);
}

void FrameInput::releaseTextures() {
  texId.reset();
  tiles_.clear();
  tilesShown_ = false;
  _videoTextureRef1.reset();
  _videoTextureRef2.reset();
  videoTextureCache.reset();
}

}  // namespace qv
