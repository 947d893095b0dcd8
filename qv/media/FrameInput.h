// Pictures into the view's textures: pixel buffers from the capture thread (one texture, or a pair), raw
// frames, and still images (now, or handed to the next frame). Owned by the view. Every upload takes the GL
// lock (except the pair path, whose caller holds it through the listener's lock/unlock), makes the shared
// context current and restores the caller's context on every path out.
#pragma once

#include <GLES/gl.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "qv/os/GLName.h"
#include "qv/render/FrameSnapshot.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class CacheTexture;
class Image;
class PixelBuffer;
class TextureCache;
class TiledPicture;

class FrameInput {
 public:
  explicit FrameInput(std::mutex& glLock) : textureUsageLock(glLock) {}
  FrameInput(const FrameInput&) = delete;
  FrameInput& operator=(const FrameInput&) = delete;

  // --- Uploads; any thread.
  // A new texture from `buffer` into the first slot (false, with a log line, when none could be made; the
  // previous one stays). The buffer's own size wins over w x h.
  bool onImageBuffer(PixelBuffer* buffer, int32_t w, int32_t h);
  // Both slots at once; the caller holds the GL lock.
  void onImageBuffer2(PixelBuffer* first, PixelBuffer* second);
  // w x h BGRA pixels into the raw-frame texture (a 1x1 empty texture for no pixels).
  void onVideoFrame(const uint8_t* pixels, int32_t w, int32_t h);
  // Uploads a still image now (the caller must not hold the GL lock). An image larger than the tile limit
  // goes into several textures (tiles), one at a time, taking the GL lock for each. False, with a log line,
  // when the image cannot be shown (no memory for its pixels or textures); the previous picture stays.
  bool setImage(const std::shared_ptr<Image>& image);
  // The largest texture side a still image may use before it is tiled (pixels); 0 or less, or anything
  // above the GL maximum texture size, means the GL's maximum. Any thread; applies from the next image.
  void setMaximumTileSize(int32_t pixels) { maximumTileSize_ = pixels; }
  int32_t maximumTileSize() const { return maximumTileSize_; }
  // The texture side a still image is tiled at: the GL's maximum or the host's smaller limit (0 when
  // there is no GL context). Takes the GL lock the first time.
  int tileLimit() const;

  // --- A still picture filled band by band (TiledPicture), from a loading thread without the GL lock.
  // Shows `preview` (a small whole picture) at once in the first slot, with `picture`'s finished tiles
  // drawn over it as they come; false, with a log line, when no texture could be made.
  bool showPreview(PixelBuffer& preview, std::shared_ptr<TiledPicture> picture);
  // Shows the completely filled `picture` in place of what was shown (the preview, when it is still
  // this picture's); false when a newer picture replaced the preview meanwhile.
  bool showPicture(std::shared_ptr<TiledPicture> picture, bool afterPreview);
  // Lets go of `picture` with the GL lock held, so its textures are deleted as they must be.
  void dropPicture(std::shared_ptr<TiledPicture>& picture);

  // --- Hand-over to the next frame; any thread. The newest image is never lost and none is shown twice.
  void injectImage(std::shared_ptr<Image> image);
  bool hasPendingImage();
  std::shared_ptr<Image> takePendingImage();

  // --- Under the GL lock, context current (the frame loop, teardown).
  // Makes the texture cache if there is none.
  void ensureTextureCache();
  // The first texture: a completely filled single-texture picture, else the first slot.
  TextureSlot first() const;
  TextureSlot second() const { return slot(target2, name2, _videoTextureRef2.get()); }
  GLuint rawTexture() const { return texId.get(); }
  // The finished tiles of a tiled still image at the level a view of `fieldOfView` (vertical, degrees)
  // on `viewHeight` pixels needs (empty when the picture is in the slots).
  std::vector<PanoramaTile> tiles(double fieldOfView, double viewHeight) const;
  // Forgets both panorama slots and the tiles (the textures stay until replaced).
  void clearSlots() {
    target1 = target2 = 0;
    pictureShown_ = false;
  }
  // Deletes every texture and the cache.
  void releaseTextures();

  std::mutex& lock() { return textureUsageLock; }

 private:
  // Uploads `buffer` into a new texture of the cache; logs and returns nullptr on failure.
  std::shared_ptr<CacheTexture> textureFromBuffer(PixelBuffer& buffer);
  static TextureSlot slot(GLuint target, GLuint name, const CacheTexture* texture);
  // Keeps `texture` in a slot and publishes its target and name there.
  void publish(std::shared_ptr<CacheTexture> texture, std::shared_ptr<CacheTexture>& ref, GLuint& target,
               GLuint& name);
  // Uploads `image` as tiles of at most `limit` pixels a side and shows them in place of the slots.
  bool setTiledImage(const Image& image, int limit);
  // Lets the first slot's texture go back to the cache (under the GL lock, context current).
  void releaseFirstSlot();

  // One process-wide lock: every view shares one GL context.
  std::mutex& textureUsageLock;

  // Guarded by textureUsageLock (the capture thread writes them).
  GLTexture texId;                // the raw-frame texture
  GLuint target1 = 0, name1 = 0;  // GL target and name of the first panorama texture (0: none)
  GLuint target2 = 0, name2 = 0;  // the same for the second texture of a pair
  std::shared_ptr<TextureCache> videoTextureCache;
  std::shared_ptr<CacheTexture> _videoTextureRef1, _videoTextureRef2;
  std::shared_ptr<TiledPicture> picture_;  // the tiled still image, shown while pictureShown_
  bool pictureShown_ = false;

  std::atomic<int32_t> maximumTileSize_{0};

  std::mutex injectLock_;
  std::shared_ptr<Image> imageInject;  // guarded by injectLock_
};

}  // namespace qv
QV_EXPORT_END
