#include "qv/os/av/PlayerItemVideoOutput.h"

extern "C" {
#include <libavutil/frame.h>
}

#include "qv/os/av/PlaybackEngine.h"

namespace qv {

std::shared_ptr<PlayerItemVideoOutput> PlayerItemVideoOutput::create(uint32_t pixelFormat) {
  if (pixelFormat != PixelBuffer::kPixelFormatBGRA) return nullptr;
  return std::shared_ptr<PlayerItemVideoOutput>(new PlayerItemVideoOutput());
}

PlayerItemVideoOutput::~PlayerItemVideoOutput() = default;

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
    buffer = converter_.convert(*frame);
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
  std::lock_guard<std::mutex> guard(convertLock_);
  return converter_.bufferAllocations();
}

}  // namespace qv
