#include "qv/os/PixelBuffer.h"

#include <cstdlib>
#include <limits>

namespace qv {

std::shared_ptr<PixelBuffer> PixelBuffer::create(int width, int height) {
  if (width <= 0 || height <= 0) return nullptr;
  size_t bytesPerRow = size_t(width) * 4;
  if (size_t(height) > std::numeric_limits<size_t>::max() / bytesPerRow) return nullptr;
  auto* bytes = static_cast<uint8_t*>(std::calloc(size_t(height), bytesPerRow));
  if (!bytes) return nullptr;
  return std::shared_ptr<PixelBuffer>(new PixelBuffer(width, height, bytes, bytesPerRow, true, {}));
}

std::shared_ptr<PixelBuffer> PixelBuffer::createWithBytes(int width, int height, void* bytes,
                                                          size_t bytesPerRow, std::function<void()> release) {
  if (width <= 0 || height <= 0 || !bytes || bytesPerRow < size_t(width) * 4) return nullptr;
  return std::shared_ptr<PixelBuffer>(
      new PixelBuffer(width, height, static_cast<uint8_t*>(bytes), bytesPerRow, false, std::move(release)));
}

PixelBuffer::~PixelBuffer() {
  if (owned_) std::free(bytes_);
  if (release_) release_();
}

int PixelBuffer::lockBaseAddress() {
  lockCount_.fetch_add(1);
  return 0;
}

int PixelBuffer::unlockBaseAddress() {
  int previous = lockCount_.load();
  while (previous > 0 && !lockCount_.compare_exchange_weak(previous, previous - 1)) {
  }
  return previous > 0 ? 0 : -6661;  // kCVReturnInvalidArgument: unlock without lock
}

}  // namespace qv
