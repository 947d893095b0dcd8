#include "qv/os/av/AudioTrackDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include "qv/os/QVLog.h"
#include "qv/os/av/FFmpegSupport.h"

namespace qv {

// FFmpeg state of one reading track: its own demuxer on the source file, the decoder and the converter to
// 16-bit interleaved PCM. The converter is set up from the first decoded frame (the stream's real format)
// and again whenever the decoded format changes.
struct AudioTrackDecoder::State {
  AVFormatContext* format = nullptr;
  AVCodecContext* codec = nullptr;
  SwrContext* swr = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* frame = nullptr;
  int stream = -1;
  int requestedRate = 0;  // Hz, 0 keeps the decoder's rate

  // The input format the converter was set up for.
  int swrFormat = -1;
  int swrRate = 0;
  AVChannelLayout swrLayout{};
  int outRate = 0;
  int outChannels = 0;

  bool demuxEnded = false;
  bool converterDrained = false;
  bool finished = false;
  bool ownsFormat = true;  // false for an input the caller handed over
  int64_t framesOut = 0;   // output frames handed out so far, for presentation times

  ~State() {
    swr_free(&swr);
    av_channel_layout_uninit(&swrLayout);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    if (ownsFormat) avformat_close_input(&format);
  }

  bool fail(AVError* error, int status, const std::string& what) {
    if (error) *error = AVError{"FFmpeg", status, what + ": " + ffmpegErrorText(status)};
    return false;
  }

  bool open(const std::string& path, int streamIndex, AVError* error) {
    routeFFmpegLog();
    int status = avformat_open_input(&format, fileInputName(path).c_str(), nullptr, nullptr);
    if (status < 0) return fail(error, status, "cannot open " + path);
    status = avformat_find_stream_info(format, nullptr);
    if (status < 0) return fail(error, status, "cannot read the streams of " + path);
    return openStream(streamIndex, path, error);
  }

  bool openStream(int streamIndex, const std::string& name, AVError* error) {
    if (streamIndex < 0 || unsigned(streamIndex) >= format->nb_streams) {
      return fail(error, AVERROR_STREAM_NOT_FOUND,
                  "no stream " + std::to_string(streamIndex) + " in " + name);
    }
    stream = streamIndex;
    // Only this track's packets are needed: the demuxer may skip the others.
    for (unsigned i = 0; i < format->nb_streams; ++i) {
      if (int(i) != stream) format->streams[i]->discard = AVDISCARD_ALL;
    }
    const AVStream* st = format->streams[stream];
    if (st->codecpar->codec_type != AVMEDIA_TYPE_AUDIO) {
      return fail(error, AVERROR_STREAM_NOT_FOUND,
                  "stream " + std::to_string(stream) + " of " + name + " is not audio");
    }
    if (auto why = unresamplableRate(st->codecpar->sample_rate))
      return fail(error, AVERROR_INVALIDDATA, "the audio of " + name + " has " + *why);
    const AVCodec* decoder = avcodec_find_decoder(st->codecpar->codec_id);
    if (!decoder) return fail(error, AVERROR_DECODER_NOT_FOUND, "no decoder for the audio of " + name);
    codec = avcodec_alloc_context3(decoder);
    if (!codec) return fail(error, AVERROR(ENOMEM), "cannot allocate a decoder");
    int status = avcodec_parameters_to_context(codec, st->codecpar);
    if (status < 0) return fail(error, status, "cannot set up the decoder for " + name);
    codec->pkt_timebase = st->time_base;
    status = avcodec_open2(codec, decoder, nullptr);
    if (status < 0) return fail(error, status, "cannot open the decoder for " + name);
    packet = av_packet_alloc();
    frame = av_frame_alloc();
    if (!packet || !frame) return fail(error, AVERROR(ENOMEM), "cannot allocate decoding buffers");
    return true;
  }

  bool configureConverter(const AVFrame* input) {
    if (swr && input->format == swrFormat && input->sample_rate == swrRate &&
        av_channel_layout_compare(&input->ch_layout, &swrLayout) == 0) {
      return true;
    }
    swr_free(&swr);
    av_channel_layout_uninit(&swrLayout);
    if (auto why = unresamplableRate(input->sample_rate)) {
      // A frame whose rate differs from what the header said: the track ends here.
      QVLog("Audio stream %d: a decoded frame has %s; the track ends there", stream, why->c_str());
      finished = true;
      return false;
    }
    if (av_channel_layout_copy(&swrLayout, &input->ch_layout) < 0) return false;
    swrFormat = input->format;
    swrRate = input->sample_rate;
    outRate = requestedRate > 0 ? requestedRate : input->sample_rate;
    outChannels = input->ch_layout.nb_channels;
    // Same channels in and out: the converter only changes the sample format and, if asked, the rate.
    int status = swr_alloc_set_opts2(&swr, &swrLayout, AV_SAMPLE_FMT_S16, outRate, &swrLayout,
                                     AVSampleFormat(input->format), input->sample_rate, 0, nullptr);
    if (status < 0 || swr_init(swr) < 0) {
      swr_free(&swr);
      return false;
    }
    return true;
  }

  // Converts `input` (nullptr drains the converter) into `block`; false when nothing came out.
  bool convert(const AVFrame* input, SampleBuffer& block) {
    if (input && !configureConverter(input)) return false;
    if (!swr || outChannels <= 0) return false;
    int inSamples = input ? input->nb_samples : 0;
    int capacity = swr_get_out_samples(swr, inSamples);
    if (capacity <= 0) return false;
    size_t bytesPerFrame = size_t(outChannels) * 2;
    block.bytes_.resize(size_t(capacity) * bytesPerFrame);
    uint8_t* out = block.bytes_.data();
    int converted = swr_convert(
        swr, &out, capacity, input ? const_cast<const uint8_t**>(input->extended_data) : nullptr, inSamples);
    if (converted <= 0) {
      block.bytes_.clear();
      return false;
    }
    block.bytes_.resize(size_t(converted) * bytesPerFrame);
    AudioStreamDescription& format = block.format_;
    format = AudioStreamDescription{};
    format.sampleRate = outRate;
    format.formatID = AudioStreamDescription::kLinearPCM;
    format.formatFlags = AudioStreamDescription::kFlagIsSignedInteger | AudioStreamDescription::kFlagIsPacked;
    format.bytesPerPacket = uint32_t(bytesPerFrame);
    format.framesPerPacket = 1;
    format.bytesPerFrame = uint32_t(bytesPerFrame);
    format.channelsPerFrame = uint32_t(outChannels);
    format.bitsPerChannel = 16;
    block.presentationTime_ = MediaTime::make(framesOut, outRate);
    framesOut += converted;
    return true;
  }

  bool next(SampleBuffer& block) {
    while (!finished) {
      int status = avcodec_receive_frame(codec, frame);
      if (status == 0) {
        bool produced = convert(frame, block);
        av_frame_unref(frame);
        if (produced) return true;
        continue;
      }
      if (status == AVERROR(EAGAIN)) {
        if (demuxEnded) {
          avcodec_send_packet(codec, nullptr);
          continue;
        }
        // A read error (a truncated or damaged file) ends the track like its end does.
        if (av_read_frame(format, packet) < 0) {
          demuxEnded = true;
          avcodec_send_packet(codec, nullptr);
          continue;
        }
        // A packet the decoder rejects is dropped; decoding goes on with the next one.
        if (packet->stream_index == stream) avcodec_send_packet(codec, packet);
        av_packet_unref(packet);
        continue;
      }
      if (status == AVERROR_EOF) {
        if (!converterDrained) {
          converterDrained = true;
          if (convert(nullptr, block)) return true;
        }
        finished = true;
        break;
      }
      // Any other decoding error: the decoder is unusable from here on.
      finished = true;
    }
    return false;
  }
};

AudioTrackDecoder::AudioTrackDecoder(int requestedRate) : state_(std::make_unique<State>()) {
  state_->requestedRate = requestedRate;
}

AudioTrackDecoder::~AudioTrackDecoder() = default;

bool AudioTrackDecoder::open(const std::string& path, int stream, AVError* error) {
  return !state_->format && state_->open(path, stream, error);
}

bool AudioTrackDecoder::open(AVFormatContext* format, int stream, AVError* error) {
  if (state_->format || !format) return false;
  state_->format = format;
  state_->ownsFormat = false;
  return state_->openStream(stream, format && format->url ? format->url : "the input", error);
}

bool AudioTrackDecoder::next(SampleBuffer& block) {
  return state_->format && state_->codec && state_->next(block);
}

bool AudioTrackDecoder::finished() const {
  return state_->finished;
}

}  // namespace qv
