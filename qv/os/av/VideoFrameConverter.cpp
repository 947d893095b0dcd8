#include "qv/os/av/VideoFrameConverter.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <thread>

#include "qv/os/PixelBufferPool.h"
#include "qv/os/ThreadName.h"

namespace qv {

namespace {

// A scaler from `format` to BGRA of the same size that converts in slices on one thread per core, so a
// large frame holds the capture thread for less of its frame time.
SwsContext* makeScaler(int width, int height, AVPixelFormat format) {
  SwsContext* scaler = sws_alloc_context();
  if (!scaler) return nullptr;
  av_opt_set_int(scaler, "srcw", width, 0);
  av_opt_set_int(scaler, "srch", height, 0);
  av_opt_set_int(scaler, "src_format", format, 0);
  av_opt_set_int(scaler, "dstw", width, 0);
  av_opt_set_int(scaler, "dsth", height, 0);
  av_opt_set_int(scaler, "dst_format", AV_PIX_FMT_BGRA, 0);
  av_opt_set_int(scaler, "sws_flags", SWS_BILINEAR, 0);
  av_opt_set_int(scaler, "threads", 0, 0);  // one per core
  // The slice threads start here and take the name of the thread that starts them: a thread of their own
  // name, so they are not taken for the caller (the capture thread, whose name hosts look for).
  int status = -1;
  std::thread([&] {
    setCurrentThreadName("qv.convert");
    status = sws_init_context(scaler, nullptr, nullptr);
  }).join();
  if (status < 0) {
    sws_freeContext(scaler);
    return nullptr;
  }
  return scaler;
}

void keepCallersBytes(void*, uint8_t*) {}

}  // namespace

VideoFrameConverter::~VideoFrameConverter() {
  sws_freeContext(scaler_);
}

std::shared_ptr<PixelBuffer> VideoFrameConverter::convert(const AVFrame& frame) {
  if (frame.width <= 0 || frame.height <= 0 || !av_pix_fmt_desc_get(AVPixelFormat(frame.format)))
    return nullptr;
  if (!pool_ || pool_->width() != frame.width || pool_->height() != frame.height) {
    pool_ = PixelBufferPool::create(frame.width, frame.height);
  }
  if (!scaler_ || scalerWidth_ != frame.width || scalerHeight_ != frame.height ||
      scalerFormat_ != frame.format) {
    sws_freeContext(scaler_);
    scaler_ = makeScaler(frame.width, frame.height, AVPixelFormat(frame.format));
    scalerWidth_ = frame.width, scalerHeight_ = frame.height, scalerFormat_ = frame.format;
  }
  if (!pool_ || !scaler_) return nullptr;
  auto buffer = pool_->createPixelBuffer();
  if (!buffer) return nullptr;
  // The scaler writes into the pool's buffer, which it sees as a frame whose bytes it must not free.
  AVFrame* out = av_frame_alloc();
  if (!out) return nullptr;
  buffer->lockBaseAddress();
  const size_t stride = buffer->bytesPerRow();
  out->format = AV_PIX_FMT_BGRA;
  out->width = frame.width;
  out->height = frame.height;
  out->data[0] = buffer->baseAddress();
  out->linesize[0] = int(stride);
  out->buf[0] =
      av_buffer_create(buffer->baseAddress(), stride * size_t(frame.height), keepCallersBytes, nullptr, 0);
  const bool converted = out->buf[0] && sws_scale_frame(scaler_, out, &frame) >= 0;
  av_frame_free(&out);
  buffer->unlockBaseAddress();
  return converted ? buffer : nullptr;
}

size_t VideoFrameConverter::bufferAllocations() const {
  return pool_ ? pool_->allocationCount() : 0;
}

}  // namespace qv
