// A pool of BGRA pixel buffers of one size. Buffers handed out return their bytes to the pool when the
// last reference goes, so a steady stream of frames allocates no pixel memory once the pool is warm.
// Any thread may take buffers; a buffer may outlive its pool (its bytes are then freed).
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include "qv/os/PixelBuffer.h"

class PixelBufferPool {
 public:
  // nullptr for a non-positive size. At most `maxIdle` free byte blocks are kept.
  static std::shared_ptr<PixelBufferPool> create(int width, int height, size_t maxIdle = 4);
  ~PixelBufferPool();
  PixelBufferPool(const PixelBufferPool&) = delete;
  PixelBufferPool& operator=(const PixelBufferPool&) = delete;

  int width() const { return width_; }
  int height() const { return height_; }
  // A buffer with the pool's size (contents left from its last use); nullptr when memory runs out.
  std::shared_ptr<PixelBuffer> createPixelBuffer();
  // Byte blocks ever allocated by this pool (for tests and benchmarks).
  size_t allocationCount() const;

 private:
  struct Shared;
  PixelBufferPool(int width, int height, size_t maxIdle);
  const int width_, height_;
  std::shared_ptr<Shared> shared_;
};
