#include "qv/os/TextureCache.h"

#include <GLES/glext.h>

#include <algorithm>

#include "qv/os/GLContext.h"
#include "qv/os/PixelBuffer.h"
#include "qv/os/ScopedUnpackAlignment.h"

namespace qv {

CacheTexture::~CacheTexture() {
  if (auto cache = cache_.lock()) {
    cache->recycle(target_, name_, width_, height_);
  } else if (GLContext::current()) {
    glDeleteTextures(1, &name_);
  }
}

std::shared_ptr<TextureCache> TextureCache::create(const std::shared_ptr<GLContext>& context) {
  if (!context) return nullptr;
  return std::shared_ptr<TextureCache>(new TextureCache());
}

TextureCache::~TextureCache() {
  for (auto& idle : idle_) glDeleteTextures(1, &idle.name);
}

int TextureCache::createTextureFromImage(PixelBuffer& buffer, GLenum target, GLint internalFormat, int width,
                                         int height, GLenum format, GLenum type, size_t planeIndex,
                                         std::shared_ptr<CacheTexture>* texture) {
  if (!texture || planeIndex != 0 || target != GL_TEXTURE_2D) return kInvalidArgument;
  *texture = nullptr;
  if (format != GL_BGRA_EXT || type != GL_UNSIGNED_BYTE ||
      (internalFormat != GL_RGBA && internalFormat != GL_BGRA_EXT))
    return kInvalidPixelFormat;
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  if (width <= 0 || height <= 0 || width > buffer.width() || height > buffer.height() || width > maxSize ||
      height > maxSize)
    return kInvalidSize;

  while (glGetError() != GL_NO_ERROR) {
  }
  Idle reuse{};
  bool found = false;
  {
    std::lock_guard<std::mutex> guard(lock_);
    auto it = std::find_if(idle_.begin(), idle_.end(), [&](const Idle& i) {
      return i.target == target && i.width == width && i.height == height;
    });
    if (it != idle_.end()) {
      reuse = *it;
      idle_.erase(it);
      found = true;
    }
  }
  GLuint name = reuse.name;
  if (!found) glGenTextures(1, &name);
  glBindTexture(target, name);
  ScopedUnpackAlignment alignment(4);
  const uint8_t* pixels = buffer.baseAddress();
  size_t rowBytes = size_t(width) * 4;
  // GL ES has no row length: padded rows go up one at a time.
  bool tight = buffer.bytesPerRow() == rowBytes;
  if (!found) {
    // GL ES wants the internal format to match the external one for BGRA data.
    glTexImage2D(target, 0, GL_BGRA_EXT, width, height, 0, GL_BGRA_EXT, GL_UNSIGNED_BYTE,
                 tight ? pixels : nullptr);
  } else if (tight) {
    glTexSubImage2D(target, 0, 0, 0, width, height, GL_BGRA_EXT, GL_UNSIGNED_BYTE, pixels);
  }
  if (!tight) {
    for (int y = 0; y < height; ++y)
      glTexSubImage2D(target, 0, 0, y, width, 1, GL_BGRA_EXT, GL_UNSIGNED_BYTE,
                      pixels + size_t(y) * buffer.bytesPerRow());
  }
  if (glGetError() != GL_NO_ERROR) {
    glDeleteTextures(1, &name);
    return kAllocationFailed;
  }
  *texture = std::shared_ptr<CacheTexture>(new CacheTexture(weak_from_this(), target, name, width, height));
  return kSuccess;
}

void TextureCache::recycle(GLenum target, GLuint name, int width, int height) {
  std::lock_guard<std::mutex> guard(lock_);
  idle_.push_back(Idle{target, name, width, height, 0});
}

void TextureCache::flush() {
  std::lock_guard<std::mutex> guard(lock_);
  for (auto& idle : idle_) ++idle.flushesSeen;
  auto stale =
      std::stable_partition(idle_.begin(), idle_.end(), [](const Idle& i) { return i.flushesSeen < 2; });
  for (auto it = stale; it != idle_.end(); ++it) glDeleteTextures(1, &it->name);
  idle_.erase(stale, idle_.end());
}

size_t TextureCache::idleTextureCount() const {
  std::lock_guard<std::mutex> guard(lock_);
  return idle_.size();
}

}  // namespace qv
