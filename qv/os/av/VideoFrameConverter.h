// Converts decoded video frames (any pixel format FFmpeg decodes to) into BGRA pixel buffers from a pool
// that follows the frame size, with libswscale on one slice thread per core. The pool's buffers are laid out
// the way libswscale writes (see PixelBufferPool). One thread at a time; the video output guards it with its
// own lock.
#pragma once

#include <cstddef>
#include <memory>

#include "qv/os/PixelBuffer.h"

struct AVFrame;
struct SwsContext;

namespace qv {

class PixelBufferPool;

class VideoFrameConverter {
 public:
  VideoFrameConverter() = default;
  ~VideoFrameConverter();
  VideoFrameConverter(const VideoFrameConverter&) = delete;
  VideoFrameConverter& operator=(const VideoFrameConverter&) = delete;

  // The frame as BGRA pixels of its own size; nullptr when it cannot be converted or memory runs out.
  std::shared_ptr<PixelBuffer> convert(const AVFrame& frame);
  // Byte blocks the current pool has allocated.
  size_t bufferAllocations() const;

 private:
  SwsContext* scaler_ = nullptr;
  int scalerWidth_ = 0, scalerHeight_ = 0, scalerFormat_ = -1;  // what scaler_ converts from
  std::shared_ptr<PixelBufferPool> pool_;
};

}  // namespace qv
