#include "qv/os/av/MemoryInput.h"

#include <algorithm>
#include <cstring>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
}

#include "qv/os/av/FFmpegSupport.h"

namespace qv {

namespace {

constexpr int kReadBlock = 4096;

// Owned by the I/O context (its opaque pointer) and freed with it.
struct MemorySource {
  std::vector<uint8_t> bytes;
  size_t position = 0;
};

int readMemory(void* opaque, uint8_t* buffer, int size) {
  auto* source = static_cast<MemorySource*>(opaque);
  size_t left = source->bytes.size() - source->position;
  if (left == 0) return AVERROR_EOF;
  size_t count = std::min(left, size_t(std::max(size, 0)));
  std::memcpy(buffer, source->bytes.data() + source->position, count);
  source->position += count;
  return int(count);
}

int64_t seekMemory(void* opaque, int64_t offset, int whence) {
  auto* source = static_cast<MemorySource*>(opaque);
  int64_t size = int64_t(source->bytes.size());
  if ((whence & ~AVSEEK_FORCE) == AVSEEK_SIZE) return size;
  int64_t base = 0;
  switch (whence & ~AVSEEK_FORCE) {
    case SEEK_SET:
      base = 0;
      break;
    case SEEK_CUR:
      base = int64_t(source->position);
      break;
    case SEEK_END:
      base = size;
      break;
    default:
      return AVERROR(EINVAL);
  }
  if (offset > size - base || offset < -base) return AVERROR(EINVAL);  // outside the bytes (no overflow)
  source->position = size_t(base + offset);
  return int64_t(source->position);
}

void freeIO(AVIOContext** io) {
  if (!*io) return;
  delete static_cast<MemorySource*>((*io)->opaque);
  av_freep(&(*io)->buffer);
  avio_context_free(io);
}

}  // namespace

int openMemoryInput(std::span<const uint8_t> bytes, AVFormatContext** format) {
  routeFFmpegLog();
  auto* source = new MemorySource{{bytes.begin(), bytes.end()}, 0};
  // FFmpeg may replace the buffer with one of its own: it is allocated with av_malloc and freed with the
  // context's current buffer.
  auto* buffer = static_cast<uint8_t*>(av_malloc(kReadBlock));
  AVIOContext* io =
      buffer ? avio_alloc_context(buffer, kReadBlock, 0, source, readMemory, nullptr, seekMemory) : nullptr;
  if (!io) {
    av_free(buffer);
    delete source;
    return AVERROR(ENOMEM);
  }
  AVFormatContext* context = avformat_alloc_context();
  if (!context) {
    freeIO(&io);
    return AVERROR(ENOMEM);
  }
  context->pb = io;
  context->flags |= AVFMT_FLAG_CUSTOM_IO;
  int result = avformat_open_input(&context, nullptr, nullptr, nullptr);  // frees the context on failure
  if (result >= 0) {
    result = avformat_find_stream_info(context, nullptr);
    if (result < 0) avformat_close_input(&context);
  }
  if (result < 0) {
    freeIO(&io);
    return result;
  }
  *format = context;
  return 0;
}

void closeMemoryInput(AVFormatContext** format) {
  if (!*format) return;
  AVIOContext* io = (*format)->pb;
  avformat_close_input(format);
  freeIO(&io);
}

}  // namespace qv
