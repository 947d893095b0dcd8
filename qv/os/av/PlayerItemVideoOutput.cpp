#include "qv/os/av/PlayerItemVideoOutput.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include "qv/os/PixelBufferPool.h"
#include "qv/os/av/PlaybackEngine.h"

std::shared_ptr<PlayerItemVideoOutput> PlayerItemVideoOutput::create(uint32_t pixelFormat) {
  if (pixelFormat != PixelBuffer::kPixelFormatBGRA) return nullptr;
  return std::shared_ptr<PlayerItemVideoOutput>(new PlayerItemVideoOutput());
}

PlayerItemVideoOutput::~PlayerItemVideoOutput() {
  sws_freeContext(scaler_);
}

void PlayerItemVideoOutput::attach(std::shared_ptr<PlaybackEngine> engine) {
  std::lock_guard<std::mutex> guard(lock_);
  engine_ = std::move(engine);
}

std::shared_ptr<PlaybackEngine> PlayerItemVideoOutput::engine() const {
  std::lock_guard<std::mutex> guard(lock_);
  return engine_;
}

bool PlayerItemVideoOutput::hasNewPixelBufferForItemTime(MediaTime itemTime) const {
  auto engine = this->engine();
  return engine && engine->hasFrame(itemTime.seconds());
}

std::shared_ptr<PixelBuffer> PlayerItemVideoOutput::copyPixelBufferForItemTime(MediaTime itemTime,
                                                                               MediaTime* displayTime) {
  auto engine = this->engine();
  if (!engine) return nullptr;
  double pts = 0;
  AVFrame* frame = engine->takeFrame(itemTime.seconds(), &pts);
  if (!frame) return nullptr;
  if (itemTime.seconds() - pts > engine->frameDuration() * 1.5) ++late_;

  std::shared_ptr<PixelBuffer> buffer;
  {
    std::lock_guard<std::mutex> guard(convertLock_);
    if (!pool_ || pool_->width() != frame->width || pool_->height() != frame->height) {
      pool_ = PixelBufferPool::create(frame->width, frame->height);
    }
    scaler_ =
        sws_getCachedContext(scaler_, frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                             frame->height, AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (pool_ && scaler_) buffer = pool_->createPixelBuffer();
    if (buffer) {
      buffer->lockBaseAddress();
      uint8_t* planes[4] = {buffer->baseAddress(), nullptr, nullptr, nullptr};
      int strides[4] = {int(buffer->bytesPerRow()), 0, 0, 0};
      int rows = sws_scale(scaler_, frame->data, frame->linesize, 0, frame->height, planes, strides);
      buffer->unlockBaseAddress();
      if (rows != frame->height) buffer.reset();
    }
  }
  av_frame_free(&frame);
  if (!buffer) return nullptr;
  ++copied_;
  if (displayTime) *displayTime = MediaTime::make(int64_t(pts * 1000000.0 + 0.5), 1000000);
  return buffer;
}

uint64_t PlayerItemVideoOutput::framesSkipped() const {
  auto engine = this->engine();
  return engine ? engine->skippedFrames() : 0;
}

size_t PlayerItemVideoOutput::bufferAllocations() const {
  std::lock_guard<std::mutex> guard(const_cast<std::mutex&>(convertLock_));
  return pool_ ? pool_->allocationCount() : 0;
}
