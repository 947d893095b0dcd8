// Media bytes from outside, through the kit's own paths: the demuxer over memory, each audio stream through
// the asset reader's decoder to 16-bit PCM, and the video stream's frames through the player's conversion
// to BGRA pixel buffers. Every byte of every block and buffer handed out is read back, so AddressSanitizer
// sees a buffer that is smaller than it claims.
#include <cstddef>
#include <cstdint>
#include <span>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "qv/os/QVLog.h"
#include "qv/os/av/AudioTrackDecoder.h"
#include "qv/os/av/MemoryInput.h"
#include "qv/os/av/VideoFrameConverter.h"

using namespace qv;

namespace {

// Bounds per input, so that one input stays quick whatever its header promises.
constexpr int kMostBlocks = 64, kMostPackets = 64, kMostStreams = 4;
constexpr int64_t kMostPixels = 1 << 20;

volatile uint8_t sink;

void readAll(const uint8_t* bytes, size_t count) {
  uint8_t sum = 0;
  for (size_t i = 0; i < count; ++i) sum ^= bytes[i];
  sink = sum;
}

void decodeAudio(std::span<const uint8_t> bytes, int stream, int rate) {
  AVFormatContext* format = nullptr;
  if (openMemoryInput(bytes, &format) < 0) return;
  {
    AudioTrackDecoder decoder(rate);
    SampleBuffer block;
    if (decoder.open(format, stream, nullptr)) {
      for (int i = 0; i < kMostBlocks && decoder.next(block); ++i) {
        AudioBuffer buffer;
        uint32_t count = 0;
        if (block.audioBufferList(&buffer, 1, &count)) readAll(buffer.data, buffer.dataByteSize);
      }
    }
  }
  closeMemoryInput(&format);
}

void convertVideo(AVFormatContext* format, int stream) {
  const AVCodecParameters* parameters = format->streams[stream]->codecpar;
  const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
  if (!codec) return;
  AVCodecContext* context = avcodec_alloc_context3(codec);
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  VideoFrameConverter converter;
  if (context && packet && frame && avcodec_parameters_to_context(context, parameters) >= 0) {
    context->max_pixels = kMostPixels;
    context->thread_count = 1;
    if (avcodec_open2(context, codec, nullptr) >= 0) {
      for (int i = 0; i < kMostPackets; ++i) {
        bool ended = av_read_frame(format, packet) < 0;
        if (!ended && packet->stream_index != stream) {
          av_packet_unref(packet);
          continue;
        }
        avcodec_send_packet(context, ended ? nullptr : packet);
        av_packet_unref(packet);
        while (avcodec_receive_frame(context, frame) >= 0) {
          if (auto buffer = converter.convert(*frame)) {
            buffer->lockBaseAddress();
            readAll(buffer->baseAddress(), buffer->bytesPerRow() * size_t(buffer->height()));
            buffer->unlockBaseAddress();
          }
          av_frame_unref(frame);
        }
        if (ended) break;
      }
    }
  }
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&context);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  QVLogSetSink([](std::string_view) {});  // FFmpeg's complaints about broken input are expected
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // The first byte picks the audio output rate (the decoder's own, or a resampled one).
  int rate = data[0] % 2 ? 0 : 8000 + 1000 * (data[0] % 40);
  std::span<const uint8_t> bytes(data + 1, size - 1);
  AVFormatContext* format = nullptr;
  if (openMemoryInput(bytes, &format) < 0) return 0;
  int video = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (video >= 0) convertVideo(format, video);
  int streams = int(format->nb_streams);
  for (int i = 0; i < streams && i < kMostStreams; ++i) {
    if (format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) decodeAudio(bytes, i, rate);
  }
  closeMemoryInput(&format);
  return 0;
}
