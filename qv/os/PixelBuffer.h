// A reference-counted buffer of 32-bit BGRA pixels (8 bits per channel, B G R A bytes in memory), the form
// in which still images and decoded video frames reach the view. It either owns its bytes or wraps the
// caller's bytes without copying (the caller keeps them alive until the last reference is gone, and may
// pass a release function that runs then). Lock the base address around CPU access.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class PixelBuffer {
 public:
  static constexpr uint32_t kPixelFormatBGRA = 0x42475241;  // 'BGRA'

  // Owns zero-filled bytes; nullptr for a non-positive size or when the bytes cannot be allocated.
  static std::shared_ptr<PixelBuffer> create(int width, int height);
  // Wraps `bytes` (rows of `bytesPerRow`); nullptr when the arguments cannot describe a BGRA image.
  static std::shared_ptr<PixelBuffer> createWithBytes(int width, int height, void* bytes, size_t bytesPerRow,
                                                      std::function<void()> release = {});
  ~PixelBuffer();
  PixelBuffer(const PixelBuffer&) = delete;
  PixelBuffer& operator=(const PixelBuffer&) = delete;

  int width() const { return width_; }
  int height() const { return height_; }
  size_t bytesPerRow() const { return bytesPerRow_; }
  uint32_t pixelFormatType() const { return kPixelFormatBGRA; }

  // Lock before reading or writing the bytes through baseAddress(); returns 0 on success, as the platform
  // does.
  int lockBaseAddress();
  int unlockBaseAddress();
  bool isLocked() const { return lockCount_.load() > 0; }
  uint8_t* baseAddress() const { return bytes_; }

 private:
  PixelBuffer(int width, int height, uint8_t* bytes, size_t bytesPerRow, bool owned,
              std::function<void()> release)
      : width_(width),
        height_(height),
        bytesPerRow_(bytesPerRow),
        bytes_(bytes),
        owned_(owned),
        release_(std::move(release)) {}

  const int width_, height_;
  const size_t bytesPerRow_;
  uint8_t* const bytes_;
  const bool owned_;
  std::function<void()> release_;
  std::atomic<int> lockCount_{0};
};

}  // namespace qv
QV_EXPORT_END
