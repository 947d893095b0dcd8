// What an asset hands its frames to: the view implements it. Frame methods may be called on any thread;
// the listener takes its own lock where it needs one (lock/unlock bracket the pair upload).
#pragma once

#include <cstdint>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class QVAsset;
class PixelBuffer;

class QVAssetListener {
 public:
  virtual ~QVAssetListener() = default;
  virtual void onStatusChange(QVAsset* asset, int32_t status) = 0;
  // w x h BGRA pixels (nullptr allowed).
  virtual void onVideoFrame(const uint8_t* pixels, int32_t x, int32_t y, int32_t w, int32_t h) = 0;
  // The listener must use or retain the buffer before returning.
  virtual void onImageBuffer(PixelBuffer* buffer, int32_t x, int32_t y, int32_t w, int32_t h) = 0;
  virtual void onImageBuffer2(PixelBuffer* first, PixelBuffer* second, int32_t x, int32_t y, int32_t w,
                              int32_t h) = 0;
  virtual void lock() = 0;
  virtual void unlock() = 0;
};

}  // namespace qv
QV_EXPORT_END
