// GL textures made from pixel buffers, the way the phone's video texture cache makes them. The cache
// belongs to one GL context and is used only with that context current. Released textures go back to
// the cache and are reused for the next buffer of the same size (glTexSubImage2D instead of a new
// allocation); flush() deletes the ones that have stayed unused since the flush before.
#pragma once

#include <GLES/gl.h>

#include <memory>
#include <mutex>
#include <vector>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class GLContext;
class PixelBuffer;
class TextureCache;

// One texture handed out by the cache; dropping the last reference returns it to the cache.
class CacheTexture {
 public:
  ~CacheTexture();
  CacheTexture(const CacheTexture&) = delete;
  CacheTexture& operator=(const CacheTexture&) = delete;
  GLenum target() const { return target_; }
  GLuint name() const { return name_; }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  friend class TextureCache;
  CacheTexture(std::weak_ptr<TextureCache> cache, GLenum target, GLuint name, int width, int height)
      : cache_(std::move(cache)), target_(target), name_(name), width_(width), height_(height) {}
  std::weak_ptr<TextureCache> cache_;
  GLenum target_;
  GLuint name_;
  int width_, height_;
};

class TextureCache : public std::enable_shared_from_this<TextureCache> {
 public:
  // Result codes, as the platform reports them.
  static constexpr int kSuccess = 0;
  static constexpr int kInvalidArgument = -6661;
  static constexpr int kAllocationFailed = -6662;
  static constexpr int kInvalidPixelFormat = -6680;
  static constexpr int kInvalidSize = -6681;

  // The context must be current on the calling thread. nullptr without a context.
  static std::shared_ptr<TextureCache> create(const std::shared_ptr<GLContext>& context);
  ~TextureCache();

  // Makes a texture holding `buffer`'s pixels (the buffer's base address must be locked). Returns a
  // result code; on success *texture is set.
  int createTextureFromImage(PixelBuffer& buffer, GLenum target, GLint internalFormat, int width, int height,
                             GLenum format, GLenum type, size_t planeIndex,
                             std::shared_ptr<CacheTexture>* texture);
  void flush();

  // Textures currently waiting for reuse (for tests).
  size_t idleTextureCount() const;

 private:
  TextureCache() = default;
  friend class CacheTexture;
  void recycle(GLenum target, GLuint name, int width, int height);

  struct Idle {
    GLenum target;
    GLuint name;
    int width, height;
    int flushesSeen;
  };
  mutable std::mutex lock_;
  std::vector<Idle> idle_;  // guarded by lock_
};

}  // namespace qv
QV_EXPORT_END
