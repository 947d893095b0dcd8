#include "qv/os/av/VideoFrameConverter.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include "qv/os/PixelBufferPool.h"

namespace qv {

VideoFrameConverter::~VideoFrameConverter() {
  sws_freeContext(scaler_);
}

std::shared_ptr<PixelBuffer> VideoFrameConverter::convert(const AVFrame& frame) {
  if (frame.width <= 0 || frame.height <= 0 || !av_pix_fmt_desc_get(AVPixelFormat(frame.format)))
    return nullptr;
  if (!pool_ || pool_->width() != frame.width || pool_->height() != frame.height) {
    pool_ = PixelBufferPool::create(frame.width, frame.height);
  }
  scaler_ = sws_getCachedContext(scaler_, frame.width, frame.height, AVPixelFormat(frame.format), frame.width,
                                 frame.height, AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (!pool_ || !scaler_) return nullptr;
  auto buffer = pool_->createPixelBuffer();
  if (!buffer) return nullptr;
  buffer->lockBaseAddress();
  uint8_t* planes[4] = {buffer->baseAddress(), nullptr, nullptr, nullptr};
  int strides[4] = {int(buffer->bytesPerRow()), 0, 0, 0};
  int rows = sws_scale(scaler_, frame.data, frame.linesize, 0, frame.height, planes, strides);
  buffer->unlockBaseAddress();
  return rows == frame.height ? buffer : nullptr;
}

size_t VideoFrameConverter::bufferAllocations() const {
  return pool_ ? pool_->allocationCount() : 0;
}

}  // namespace qv
