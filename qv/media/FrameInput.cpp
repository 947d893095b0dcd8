#include "qv/media/FrameInput.h"

#include <algorithm>
#include <atomic>
#include <cinttypes>
#include <cstdlib>
#include <limits>

#include "qv/media/TileGrid.h"
#include "qv/media/TiledPicture.h"
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

// Rows copied out of an image in memory at a time: bounds the band buffer (and the time the GL lock is
// held for one tile's part of it) whatever the image's width.
constexpr size_t kTileBandBytes = size_t(4) << 20;

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
  picture_.reset();
  pictureShown_ = false;
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
    picture_.reset();
    pictureShown_ = false;
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

int FrameInput::tileLimit() const {
  int limit = maxTextureSize();
  const int32_t hostLimit = maximumTileSize_;
  // A few tiles more per frame cost nothing, thousands would: tiles are at least 64 pixels a side.
  if (hostLimit > 0 && (limit <= 0 || hostLimit < limit)) limit = std::max(hostLimit, int32_t(64));
  return limit;
}

bool FrameInput::setImage(const std::shared_ptr<Image>& image) {
  if (!image) return false;
  int w = image->width(), h = image->height();
  const int limit = tileLimit();
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
  auto picture = std::make_shared<TiledPicture>(w, h, limit);
  if (picture->empty()) {
    QVLog("setImage: a tile limit of %d pixels cannot hold a %dx%d image; keeping the previous image", limit,
          w, h);
    return false;
  }
  const size_t rowBytes = size_t(w) * 4;
  // Whole pairs of rows of every reduced level in each band.
  const int bandRows = std::max(1, int(kTileBandBytes / rowBytes) / TiledPicture::kBandRowMultiple) *
                       TiledPicture::kBandRowMultiple;
  std::vector<uint8_t> band(rowBytes * size_t(std::min(bandRows, h)));
  std::string reason;
  bool ok = true;
  for (int row = 0; row < h && ok; row += bandRows) {
    const int rows = std::min(bandRows, h - row);
    image.copyPremultipliedBGRA(band.data(), rowBytes, 0, row, w, rows);
    ok = picture->addRows(band.data(), row, rows, textureUsageLock, &reason);
  }
  if (!ok) {
    QVLog("setImage: %s; keeping the previous image", reason.c_str());
    dropPicture(picture);
    return false;
  }
  return showPicture(std::move(picture), false);
}

void FrameInput::releaseFirstSlot() {
  target1 = 0;
  _videoTextureRef1.reset();
  if (videoTextureCache) videoTextureCache->flush();
}

bool FrameInput::showPreview(PixelBuffer& preview, std::shared_ptr<TiledPicture> picture) {
  GLUploadPriority::Announcement goesFirst;
  std::lock_guard<std::mutex> guard(textureUsageLock);
  SharedContextScope scope;
  if (!scope.ok()) return false;
  ensureTextureCache();
  auto texture = textureFromBuffer(preview);
  if (!texture) return false;
  picture_ = std::move(picture);
  pictureShown_ = true;
  publish(std::move(texture), _videoTextureRef1, target1, name1);
  glFlush();
  videoTextureCache->flush();
  return true;
}

bool FrameInput::showPicture(std::shared_ptr<TiledPicture> picture, bool afterPreview) {
  GLUploadPriority::Announcement goesFirst;
  std::lock_guard<std::mutex> guard(textureUsageLock);
  SharedContextScope scope;
  if (!scope.ok()) {
    picture.reset();  // its names go with the context
    return false;
  }
  if (afterPreview && picture_ != picture) {
    picture.reset();
    return false;
  }
  picture_ = std::move(picture);
  pictureShown_ = true;
  // The previous single texture (or the preview) is no longer drawn: let the cache have it back.
  releaseFirstSlot();
  glFlush();
  return true;
}

void FrameInput::dropPicture(std::shared_ptr<TiledPicture>& picture) {
  std::lock_guard<std::mutex> guard(textureUsageLock);
  SharedContextScope scope;
  picture.reset();
}

TextureSlot FrameInput::first() const {
  if (pictureShown_ && picture_ && picture_->singleTexture() && picture_->complete())
    return picture_->wholeTexture();
  return slot(target1, name1, _videoTextureRef1.get());
}

std::vector<PanoramaTile> FrameInput::tiles(double fieldOfView, double viewHeight) const {
  if (!pictureShown_ || !picture_ || picture_->singleTexture()) return {};
  return picture_->finishedTiles(fieldOfView, viewHeight);
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
  picture_.reset();
  pictureShown_ = false;
  _videoTextureRef1.reset();
  _videoTextureRef2.reset();
  videoTextureCache.reset();
}

}  // namespace qv
