#include "qv/os/PixelBufferPool.h"

#include <cstdlib>

namespace qv {

// The free list lives apart from the pool object so that buffers still out when the pool goes can
// find it (or learn it is closed) when they come back.
struct PixelBufferPool::Shared {
  std::mutex lock;
  std::vector<void*> idle;  // guarded by lock
  size_t maxIdle = 0;
  size_t allocations = 0;  // guarded by lock
  bool closed = false;     // guarded by lock
};

std::shared_ptr<PixelBufferPool> PixelBufferPool::create(int width, int height, size_t maxIdle) {
  if (width <= 0 || height <= 0 || width > (1 << 15) || height > (1 << 15)) return nullptr;
  return std::shared_ptr<PixelBufferPool>(new PixelBufferPool(width, height, maxIdle));
}

PixelBufferPool::PixelBufferPool(int width, int height, size_t maxIdle)
    : width_(width),
      height_(height),
      bytesPerRow_((size_t(width) * 4 + kRowAlignment - 1) / kRowAlignment * kRowAlignment),
      shared_(std::make_shared<Shared>()) {
  shared_->maxIdle = maxIdle;
}

PixelBufferPool::~PixelBufferPool() {
  std::lock_guard<std::mutex> guard(shared_->lock);
  shared_->closed = true;
  for (void* bytes : shared_->idle) std::free(bytes);
  shared_->idle.clear();
}

std::shared_ptr<PixelBuffer> PixelBufferPool::createPixelBuffer() {
  void* bytes = nullptr;
  {
    std::lock_guard<std::mutex> guard(shared_->lock);
    if (!shared_->idle.empty()) {
      bytes = shared_->idle.back();
      shared_->idle.pop_back();
    }
  }
  if (!bytes) {
    // A multiple of the alignment, as aligned_alloc requires: the padding already is one.
    bytes = std::aligned_alloc(kRowAlignment, bytesPerRow_ * size_t(height_) + kTailPadding);
    if (!bytes) return nullptr;
    std::lock_guard<std::mutex> guard(shared_->lock);
    ++shared_->allocations;
  }
  std::weak_ptr<Shared> weak = shared_;
  auto buffer = PixelBuffer::createWithBytes(width_, height_, bytes, bytesPerRow_, [weak, bytes] {
    if (auto shared = weak.lock()) {
      std::lock_guard<std::mutex> guard(shared->lock);
      if (!shared->closed && shared->idle.size() < shared->maxIdle) {
        shared->idle.push_back(bytes);
        return;
      }
    }
    std::free(bytes);
  });
  if (!buffer) std::free(bytes);
  return buffer;
}

size_t PixelBufferPool::allocationCount() const {
  std::lock_guard<std::mutex> guard(shared_->lock);
  return shared_->allocations;
}

}  // namespace qv
