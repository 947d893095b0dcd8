// A pool of BGRA pixel buffers of one size. Buffers handed out return their bytes to the pool when the
// last reference goes, so a steady stream of frames allocates no pixel memory once the pool is warm.
// Any thread may take buffers; a buffer may outlive its pool (its bytes are then freed). The buffers are
// laid out for converters that write whole SIMD blocks (libswscale): each row starts on a kRowAlignment
// boundary and the block ends with kTailPadding spare bytes, so a write that runs past the last pixel of
// a row or of the image stays inside the block.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include "qv/os/PixelBuffer.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class PixelBufferPool {
 public:
  static constexpr size_t kRowAlignment = 64;  // bytes; rows and the block start on this boundary
  static constexpr size_t kTailPadding = 64;   // bytes after the last row
  // nullptr for a non-positive size. At most `maxIdle` free byte blocks are kept.
  static std::shared_ptr<PixelBufferPool> create(int width, int height, size_t maxIdle = 4);
  ~PixelBufferPool();
  PixelBufferPool(const PixelBufferPool&) = delete;
  PixelBufferPool& operator=(const PixelBufferPool&) = delete;

  int width() const { return width_; }
  int height() const { return height_; }
  size_t bytesPerRow() const { return bytesPerRow_; }  // width * 4 rounded up to kRowAlignment
  // A buffer with the pool's size (contents left from its last use); nullptr when memory runs out.
  std::shared_ptr<PixelBuffer> createPixelBuffer();
  // Byte blocks ever allocated by this pool (for tests and benchmarks).
  size_t allocationCount() const;

 private:
  struct Shared;
  PixelBufferPool(int width, int height, size_t maxIdle);
  const int width_, height_;
  const size_t bytesPerRow_;
  std::shared_ptr<Shared> shared_;
};

}  // namespace qv
QV_EXPORT_END
