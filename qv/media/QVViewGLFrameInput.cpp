// Pictures into the view's textures: pixel buffers from the capture thread, raw frames, still images.
// Every upload takes textureUsageLock (except the pair path, whose caller holds it), makes the shared
// context current and restores the caller's context on every path out.
#include <cinttypes>
#include <cstdlib>
#include <limits>

#include "qv/core/QVViewGL.h"
#include "qv/os/GLES.h"
#include "qv/os/Image.h"
#include "qv/os/PixelBuffer.h"
#include "qv/os/QVLog.h"
#include "qv/os/RunLoop.h"
#include "qv/os/TextureCache.h"
#include "qv/platform/GLUploadPriority.h"
#include "qv/platform/QVContext.h"

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

}  // namespace

void QVViewGL::ensureTextureCache() {
  if (!videoTextureCache) videoTextureCache = TextureCache::create(QVContext::getCurrentContext());
}

std::shared_ptr<CacheTexture> QVViewGL::textureFromBuffer(PixelBuffer& buffer, int w, int h) {
  std::shared_ptr<CacheTexture> texture;
  int error = TextureCache::kInvalidArgument;
  if (videoTextureCache) {
    buffer.lockBaseAddress();
    error = videoTextureCache->createTextureFromImage(buffer, GL_TEXTURE_2D, GL_RGBA, w, h, GL_BGRA_EXT,
                                                      GL_UNSIGNED_BYTE, 0, &texture);
    buffer.unlockBaseAddress();
  }
  if (error != TextureCache::kSuccess || !texture) {
    QVLog("Movie CVOpenGLESTextureCacheCreateTextureFromImage failed (error: %d)", error);
    return nullptr;
  }
  return texture;
}

void QVViewGL::onImageBuffer(PixelBuffer* buffer, int32_t, int32_t, int32_t w, int32_t h) {
  if (!buffer) return;
  GLUploadPriority::Announcement goesFirst;
  std::lock_guard<std::mutex> guard(textureUsageLock);
  SharedContextScope scope;
  _buffer1 = nullptr;
  if (!scope.ok()) return;
  ensureTextureCache();
  // The buffer knows its own size; a caller's w and h that disagree would upload past its rows.
  if (w != buffer->width() || h != buffer->height()) {
    QVLog("onImageBuffer: size %dx%d does not match the pixel buffer's %dx%d; using the buffer's", w, h,
          buffer->width(), buffer->height());
  }
  // The new texture is made before the old one is let go, so a failure leaves the previous frame drawable.
  auto texture = textureFromBuffer(*buffer, buffer->width(), buffer->height());
  if (!texture) return;
  _videoTextureRef1 = std::move(texture);
  glEnable(_videoTextureRef1->target());
  target1 = _videoTextureRef1->target();
  name1 = _videoTextureRef1->name();
  glBindTexture(target1, name1);
  setFrameTextureParameters(target1);
  glFlush();
  videoTextureCache->flush();
}

void QVViewGL::onImageBuffer2(PixelBuffer* first, PixelBuffer* second, int32_t, int32_t, int32_t, int32_t) {
  SharedContextScope scope;
  _buffer1 = _buffer2 = nullptr;
  if (!scope.ok()) return;
  if (videoTextureCache) videoTextureCache->flush();
  std::shared_ptr<CacheTexture> textures[2];
  PixelBuffer* buffers[2] = {first, second};
  for (int i = 0; i < 2; ++i) {
    if (!buffers[i]) continue;
    textures[i] = textureFromBuffer(*buffers[i], buffers[i]->width(), buffers[i]->height());
    if (!textures[i]) return;  // nothing is published; both slots keep their textures
  }
  if (textures[0]) {
    _videoTextureRef1 = std::move(textures[0]);
    glEnable(_videoTextureRef1->target());
    target1 = _videoTextureRef1->target();
    name1 = _videoTextureRef1->name();
    glBindTexture(target1, name1);
    setFrameTextureParameters(target1);
  }
  if (textures[1]) {
    _videoTextureRef2 = std::move(textures[1]);
    glEnable(_videoTextureRef2->target());
    target2 = _videoTextureRef2->target();
    name2 = _videoTextureRef2->name();
    glBindTexture(target2, name2);
    setFrameTextureParameters(target2);
  }
}

void QVViewGL::onVideoFrame(const uint8_t* pixels, int32_t, int32_t, int32_t w, int32_t h) {
  {
    std::lock_guard<std::mutex> guard(textureUsageLock);
    SharedContextScope scope;
    if (scope.ok()) {
      if (texId == 0) {
        glGenTextures(1, &texId);
        glBindTexture(GL_TEXTURE_2D, texId);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
      }
      glBindTexture(GL_TEXTURE_2D, texId);
      if (w > 0 && texId != 0) {
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        if (pixels && h > 0) {
          glTexImage2D(GL_TEXTURE_2D, 0, GL_BGRA_EXT, w, h, 0, GL_BGRA_EXT, GL_UNSIGNED_BYTE, pixels);
        } else {
          glTexImage2D(GL_TEXTURE_2D, 0, GL_BGRA_EXT, 1, 1, 0, GL_BGRA_EXT, GL_UNSIGNED_BYTE, nullptr);
        }
      }
      while (glGetError() != GL_NO_ERROR) {
      }
    }
  }
  // Draw one frame now when no timer does it. Off the main thread the frame is posted to the main queue,
  // where teardown and the timer are checked again.
  if (RunLoop::main().isLoopThread()) {
    if (!dealloccing && !animationTimer) drawView();
    return;
  }
  std::weak_ptr<QVViewGL> weak = weak_from_this();
  RunLoop::main().dispatchAsync([weak] {
    auto view = weak.lock();
    if (view && !view->dealloccing && !view->animationTimer) view->drawView();
  });
}

void QVViewGL::setImage(const std::shared_ptr<Image>& image) {
  injectImageExec(image);
}

void QVViewGL::injectImage(std::shared_ptr<Image> image) {
  std::lock_guard<std::mutex> guard(injectLock_);
  imageInject = std::move(image);
}

void QVViewGL::injectImageExec(const std::shared_ptr<Image>& image) {
  if (!image) return;
  int w = image->width(), h = image->height();
  GLint maxSize = maxTextureSize();
  if (maxSize > 0 && (w > maxSize || h > maxSize)) {
    QVLog(
        "setImage: image of %dx%d is larger than the GL maximum texture size %d; keeping the previous image",
        w, h, maxSize);
    return;
  }
  uint64_t bytesPerRow = uint64_t(w) * 4;
  if (const uint8_t* ready = image->premultipliedBGRA()) {
    // Already in the upload form: wrapped without a copy (the upload only reads it).
    auto buffer = PixelBuffer::createWithBytes(w, h, const_cast<uint8_t*>(ready), size_t(bytesPerRow));
    if (buffer) onImageBuffer(buffer.get(), 0, 0, w, h);
    return;
  }
  uint64_t size = bytesPerRow * uint64_t(h);
  if (size > std::numeric_limits<size_t>::max()) return;
  auto* bytes = static_cast<uint8_t*>(std::malloc(size_t(size)));
  if (!bytes) {
    QVLog("setImage: cannot allocate %" PRIu64 " bytes for a %dx%d image", size, w, h);
    return;
  }
  image->copyPremultipliedBGRA(bytes, size_t(bytesPerRow));
  auto buffer = PixelBuffer::createWithBytes(w, h, bytes, size_t(bytesPerRow));
  if (buffer) onImageBuffer(buffer.get(), 0, 0, w, h);
  buffer.reset();
  std::free(bytes);
}
