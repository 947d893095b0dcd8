#include "qv/os/av/PlaybackEngine.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include "qv/os/QVLog.h"
#include "qv/os/ThreadName.h"
#include "qv/os/av/AudioSink.h"
#include "qv/os/av/FFmpegSupport.h"
#include "qv/os/av/InputOpener.h"
#include "qv/os/av/ThreadReaper.h"

namespace qv {

namespace {

double wallNow() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

constexpr double kEpsilon = 1e-6;
// A failed input that has played out its buffer is reported failed this long after the buffer ran empty.
constexpr double kFailureGrace = 0.5;
// Seek targets stay within what a timestamp in microseconds can hold, when the media's end is unknown.
constexpr double kLongestSeek = 1e9;  // seconds

double secondsOf(int64_t timestamp, AVRational timeBase) {
  return double(timestamp) * av_q2d(timeBase);
}

AVCodecContext* openDecoder(AVStream* stream, bool threaded) {
  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  if (!codec) return nullptr;
  AVCodecContext* context = avcodec_alloc_context3(codec);
  if (!context) return nullptr;
  if (avcodec_parameters_to_context(context, stream->codecpar) < 0) {
    avcodec_free_context(&context);
    return nullptr;
  }
  context->pkt_timebase = stream->time_base;
  if (threaded) {
    context->thread_count = 0;  // one per core
    context->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
  }
  if (avcodec_open2(context, codec, nullptr) < 0) avcodec_free_context(&context);
  return context;
}

}  // namespace

struct PlaybackEngine::Decoding {
  AVFormatContext* format = nullptr;
  AVCodecContext* video = nullptr;
  AVCodecContext* audio = nullptr;
  int videoIndex = -1, audioIndex = -1;
  double startTime = 0;  // seconds subtracted from every timestamp
  SwrContext* resampler = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* frame = nullptr;
  std::vector<float> converted;

  ~Decoding() {
    av_frame_free(&frame);
    av_packet_free(&packet);
    swr_free(&resampler);
    avcodec_free_context(&video);
    avcodec_free_context(&audio);
    avformat_close_input(&format);
  }
};

std::shared_ptr<PlaybackEngine> PlaybackEngine::create(std::string inputName) {
  return std::shared_ptr<PlaybackEngine>(new PlaybackEngine(std::move(inputName)));
}

PlaybackEngine::~PlaybackEngine() {
  // Only the engine thread can hold the last reference while thread_ is set: it cannot join itself.
  ThreadReaper::adopt(std::move(thread_));
  clearQueuesLocked();
}

void PlaybackEngine::start(Events events) {
  std::lock_guard<std::mutex> guard(lock_);
  if (started_ || stopping_) return;
  started_ = true;
  thread_ = std::thread(
      [self = shared_from_this(), events = std::move(events)]() mutable { self->run(std::move(events)); });
}

void PlaybackEngine::shutdown() {
  std::thread thread;
  {
    std::lock_guard<std::mutex> guard(lock_);
    stopping_ = true;
    thread = std::move(thread_);
  }
  wakeup_.notify_all();
  if (!thread.joinable()) return;
  if (thread.get_id() == std::this_thread::get_id()) {
    ThreadReaper::adopt(std::move(thread));  // the thread holds the engine and ends by itself
  } else {
    thread.join();
  }
}

bool PlaybackEngine::open(Decoding& d) {
  auto fail = [&](std::string reason) {
    std::lock_guard<std::mutex> guard(lock_);
    failureReason_ = std::move(reason);
    return false;
  };
  int opened = openInput(inputName_, &d.format, &stopping_);
  if (opened < 0) return fail(ffmpegErrorText(opened));
  d.startTime = d.format->start_time != AV_NOPTS_VALUE ? secondsOf(d.format->start_time, AV_TIME_BASE_Q) : 0;
  d.videoIndex = av_find_best_stream(d.format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (d.videoIndex >= 0) {
    d.video = openDecoder(d.format->streams[d.videoIndex], true);
    if (!d.video) d.videoIndex = -1;
  }
  d.audioIndex = av_find_best_stream(d.format, AVMEDIA_TYPE_AUDIO, -1, d.videoIndex, nullptr, 0);
  std::optional<std::string> audioRefused;
  if (d.audioIndex >= 0) {
    audioRefused = unresamplableRate(d.format->streams[d.audioIndex]->codecpar->sample_rate);
    if (audioRefused) QVLog("The audio track is not played: it has %s", audioRefused->c_str());
    d.audio = audioRefused ? nullptr : openDecoder(d.format->streams[d.audioIndex], false);
    if (d.audio) {
      if (d.audio->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
        int channels = std::max(1, d.audio->ch_layout.nb_channels);
        av_channel_layout_uninit(&d.audio->ch_layout);
        av_channel_layout_default(&d.audio->ch_layout, channels);
      }
      AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
      if (swr_alloc_set_opts2(&d.resampler, &stereo, AV_SAMPLE_FMT_FLT, kAudioRate, &d.audio->ch_layout,
                              d.audio->sample_fmt, d.audio->sample_rate, 0, nullptr) < 0) {
        avcodec_free_context(&d.audio);
      } else if (d.audio->ch_layout.nb_channels == 1) {
        // Mono plays at full level on both sides (the default mix lowers it by 3 dB).
        const double both[2] = {1.0, 1.0};
        swr_set_matrix(d.resampler, both, 1);
      }
      if (d.audio && swr_init(d.resampler) < 0) {
        avcodec_free_context(&d.audio);
      }
    }
    if (!d.audio) d.audioIndex = -1;
  }
  if (d.videoIndex < 0 && d.audioIndex < 0)
    return fail(audioRefused ? "its audio has " + *audioRefused : "no decodable audio or video track");
  for (unsigned i = 0; i < d.format->nb_streams; ++i) {
    if (int(i) != d.videoIndex && int(i) != d.audioIndex) d.format->streams[i]->discard = AVDISCARD_ALL;
  }
  d.packet = av_packet_alloc();
  d.frame = av_frame_alloc();
  if (!d.packet || !d.frame) return fail(ffmpegErrorText(AVERROR(ENOMEM)));

  std::lock_guard<std::mutex> guard(lock_);
  hasVideo_ = d.videoIndex >= 0;
  hasAudio_ = d.audioIndex >= 0;
  soundTrackID_ = d.audioIndex + 1;
  if (d.format->duration != AV_NOPTS_VALUE && d.format->duration > 0) {
    duration_ = secondsOf(d.format->duration, AV_TIME_BASE_Q);
  }
  if (hasVideo_) {
    AVRational rate = d.format->streams[d.videoIndex]->avg_frame_rate;
    if (rate.num <= 0 || rate.den <= 0) rate = d.format->streams[d.videoIndex]->r_frame_rate;
    if (rate.num > 0 && rate.den > 0) frameDuration_ = av_q2d(av_inv_q(rate));
  }
  return true;
}

void PlaybackEngine::run(Events events) {
  setCurrentThreadName("qv.playerEngine");
  Decoding d;
  bool opened = open(d);
  // The sound output exists before the item says it is ready: whoever sees "ready" finds it.
  if (opened && hasAudio_) {
    sink_ = AudioSink::create(kAudioRate, kAudioChannels,
                              [this](float* samples, int frames) { pullAudio(samples, frames); });
  }
  {
    std::lock_guard<std::mutex> guard(lock_);
    status_ = opened ? Status::ReadyToPlay : Status::Failed;
  }
  if (!stopping_ && events.changed) events.changed("status");
  while (!stopping_) {
    std::unique_ptr<SeekRequest> seek;
    std::vector<std::function<void()>> calls;
    std::vector<std::string> changes;
    bool ended = false;
    bool canRead = false;
    {
      std::unique_lock<std::mutex> lock(lock_);
      for (auto& completion : superseded_) {
        calls.push_back([completion = std::move(completion)] { completion(false); });
      }
      superseded_.clear();
      seek = std::move(pendingSeek_);
      if (!seek && opened) {
        canRead = !inputEnded_ && roomLocked();
        if (!canRead && calls.empty()) {
          wakeup_.wait_for(lock, std::chrono::milliseconds(5), [this] {
            return stopping_ || pendingSeek_ || !superseded_.empty() || (!inputEnded_ && roomLocked());
          });
        }
      }
    }
    if (!opened) {
      std::unique_lock<std::mutex> lock(lock_);
      wakeup_.wait_for(lock, std::chrono::milliseconds(50), [this] { return stopping_.load(); });
      continue;
    }
    if (seek) {
      startSeek(d, std::move(*seek), calls);
    } else if (canRead) {
      readAndDecode(d, calls);
    }
    {
      std::lock_guard<std::mutex> guard(lock_);
      dropOverdueFramesLocked();
      tickLocked(changes, ended);
    }
    if (stopping_) break;
    for (auto& call : calls) call();
    if (events.changed) {
      for (const auto& key : changes) events.changed(key);
    }
    if (ended && events.playedToEnd) events.playedToEnd();
  }
  sink_.reset();
  std::lock_guard<std::mutex> guard(lock_);
  clearQueuesLocked();
}

bool PlaybackEngine::roomLocked() const {
  size_t audioFrames = (audio_.size() - audioHead_) / kAudioChannels;
  bool audioRoom = !hasAudio_ || double(audioFrames) < kAudioBufferSeconds * kAudioRate;
  if (!hasVideo_) return audioRoom;
  // Reading goes on past a full sound buffer while video runs dry: the clock waits for video, and the
  // sound buffer drains only as the clock moves.
  return video_.size() < kVideoQueueFrames && (audioRoom || video_.size() < 2);
}

void PlaybackEngine::startSeek(Decoding& d, SeekRequest request, std::vector<std::function<void()>>& calls) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (activeSeek_ && activeSeek_->completion) {
      calls.push_back([completion = std::move(activeSeek_->completion)] { completion(false); });
    }
    clearQueuesLocked();
    inputEnded_ = inputFailed_ = endReported_ = false;
    stalled_ = true;  // the clock waits at the target until the queue has filled again
    lastPts_ = 0;
    activeSeek_ = std::make_unique<SeekRequest>(std::move(request));
  }
  int64_t timestamp = int64_t((activeSeek_->target + d.startTime) * AV_TIME_BASE);
  if (avformat_seek_file(d.format, -1, INT64_MIN, timestamp, timestamp, 0) < 0) {
    av_seek_frame(d.format, -1, timestamp, AVSEEK_FLAG_BACKWARD);
  }
  if (d.video) avcodec_flush_buffers(d.video);
  if (d.audio) {
    avcodec_flush_buffers(d.audio);
    swr_close(d.resampler);
    swr_init(d.resampler);
  }
}

void PlaybackEngine::readAndDecode(Decoding& d, std::vector<std::function<void()>>& calls) {
  int result = av_read_frame(d.format, d.packet);
  if (result < 0) {
    // A clean end of file is AVERROR_EOF with no I/O error behind it; anything else (a dropped
    // connection, a read timeout) is a failed input.
    int ioError = d.format->pb ? d.format->pb->error : 0;
    bool failed = result != AVERROR_EOF || (ioError < 0 && ioError != AVERROR_EOF);
    if (d.video && avcodec_send_packet(d.video, nullptr) >= 0) decodeVideo(d, calls);
    if (d.audio && avcodec_send_packet(d.audio, nullptr) >= 0) decodeAudio(d, calls);
    std::lock_guard<std::mutex> guard(lock_);
    inputEnded_ = true;
    inputFailed_ = failed;
    if (failed) inputError_ = ffmpegErrorText(result != AVERROR_EOF ? result : ioError);
    if (activeSeek_) {
      // A seek at or past the end (nothing decoded since it started) lands on the end.
      if (lastPts_ <= 0)
        lastPts_ = duration_ > 0 ? std::min(activeSeek_->target, duration_) : activeSeek_->target;
      activeSeek_->target = std::min(activeSeek_->target, lastPts_);
      finishSeekLocked(activeSeek_->target, calls);
    }
    return;
  }
  if (d.packet->stream_index == d.videoIndex) {
    if (avcodec_send_packet(d.video, d.packet) >= 0) decodeVideo(d, calls);
  } else if (d.packet->stream_index == d.audioIndex) {
    if (avcodec_send_packet(d.audio, d.packet) >= 0) decodeAudio(d, calls);
  }
  av_packet_unref(d.packet);
}

void PlaybackEngine::decodeVideo(Decoding& d, std::vector<std::function<void()>>& calls) {
  AVRational timeBase = d.format->streams[d.videoIndex]->time_base;
  while (avcodec_receive_frame(d.video, d.frame) >= 0) {
    int64_t timestamp = d.frame->best_effort_timestamp;
    if (timestamp == AV_NOPTS_VALUE) timestamp = d.frame->pts;
    std::lock_guard<std::mutex> guard(lock_);
    yieldedFrame_ = true;  // also when an exact seek passes over it: the input does give pictures
    double pts = timestamp != AV_NOPTS_VALUE ? secondsOf(timestamp, timeBase) - d.startTime : lastPts_;
    // An exact seek shows the frame that covers the target: earlier frames are decoded and dropped.
    if (activeSeek_ && activeSeek_->exact && pts + frameDuration_ <= activeSeek_->target + kEpsilon) {
      av_frame_unref(d.frame);
      continue;
    }
    AVFrame* kept = av_frame_alloc();
    if (!kept) {
      av_frame_unref(d.frame);
      continue;
    }
    av_frame_move_ref(kept, d.frame);
    video_.push_back({kept, pts});
    lastPts_ = std::max(lastPts_, pts + frameDuration_);
    if (activeSeek_) finishSeekLocked(pts, calls);
  }
}

void PlaybackEngine::decodeAudio(Decoding& d, std::vector<std::function<void()>>& calls) {
  AVRational timeBase = d.format->streams[d.audioIndex]->time_base;
  while (avcodec_receive_frame(d.audio, d.frame) >= 0) {
    int64_t timestamp = d.frame->best_effort_timestamp;
    int capacity = swr_get_out_samples(d.resampler, d.frame->nb_samples);
    if (capacity <= 0) {
      av_frame_unref(d.frame);
      continue;
    }
    d.converted.resize(size_t(capacity) * kAudioChannels);
    auto* out = reinterpret_cast<uint8_t*>(d.converted.data());
    int produced = swr_convert(d.resampler, &out, capacity,
                               const_cast<const uint8_t**>(d.frame->extended_data), d.frame->nb_samples);
    av_frame_unref(d.frame);
    if (produced <= 0) continue;
    std::lock_guard<std::mutex> guard(lock_);
    if (audioHead_ == audio_.size()) {
      audio_.clear();
      audioHead_ = 0;
      audioPts_ = timestamp != AV_NOPTS_VALUE ? secondsOf(timestamp, timeBase) - d.startTime : lastPts_;
    }
    audio_.insert(audio_.end(), d.converted.begin(), d.converted.begin() + size_t(produced) * kAudioChannels);
    if (!hasVideo_) yieldedFrame_ = true;
    double end = audioPts_ + double((audio_.size() - audioHead_) / kAudioChannels) / kAudioRate;
    lastPts_ = std::max(lastPts_, end);
    if (activeSeek_ && !hasVideo_) finishSeekLocked(audioPts_, calls);
  }
}

void PlaybackEngine::finishSeekLocked(double firstPts, std::vector<std::function<void()>>& calls) {
  double position = activeSeek_->exact ? activeSeek_->target : std::min(firstPts, activeSeek_->target);
  auto completion = std::move(activeSeek_->completion);
  activeSeek_.reset();
  rebaseLocked(std::max(0.0, position));
  if (completion) calls.push_back([completion = std::move(completion)] { completion(true); });
}

void PlaybackEngine::tickLocked(std::vector<std::string>& changes, bool& ended) {
  bool wasEmpty = empty_, wasFull = full_, wasKeepUp = keepUp_;
  if (status_ == Status::ReadyToPlay && !activeSeek_ && !pendingSeek_) {
    double now = clockLocked();
    size_t audioFrames = (audio_.size() - audioHead_) / kAudioChannels;
    bool drained = now >= lastPts_ - kEpsilon;
    if (inputEnded_ && !yieldedFrame_) {
      failLocked(inputFailed_ ? "the input failed before its first frame: " + inputError_
                              : std::string(hasVideo_ ? "no video frame could be decoded"
                                                      : "no sound could be decoded"),
                 changes);
    } else if (inputEnded_ && !inputFailed_) {
      // Everything up to the end is buffered.
      if (stalled_) {
        stalled_ = false;
        rebaseLocked(base_);
      }
      empty_ = false;
      full_ = keepUp_ = true;
      if (drained && !endReported_ && rate_ != 0) {
        endReported_ = ended = true;
        rebaseLocked(now);
        rate_ = 0;
      }
    } else if (inputEnded_) {
      // The input broke: play out what is buffered, then report the empty buffer and, if nothing
      // comes back, the failure.
      if (stalled_) {
        stalled_ = false;
        rebaseLocked(base_);
      }
      if (drained && !empty_) {
        empty_ = true;
        keepUp_ = false;
        failAt_ = wallNow() + kFailureGrace;
      } else if (empty_ && wallNow() >= failAt_) {
        failLocked("the input failed: " + inputError_, changes);
      }
    } else {
      full_ = false;
      bool starving = rate_ != 0 && (hasVideo_ ? video_.empty() : audioFrames == 0) && drained;
      if (!stalled_ && starving && filledOnce_) {
        stalled_ = true;
        rebaseLocked(now);
        empty_ = true;
        keepUp_ = false;
      }
      // Filled also when nothing more can be read (sound far ahead of video in the input): waiting for
      // more video then would wait for ever.
      bool filled = hasVideo_ ? video_.size() >= kVideoQueueFrames || !roomLocked()
                              : double(audioFrames) >= 0.5 * kAudioBufferSeconds * kAudioRate;
      if (filled) {
        filledOnce_ = true;
        if (stalled_) {
          stalled_ = false;
          rebaseLocked(base_);
        }
        empty_ = false;
        keepUp_ = true;
      }
    }
  }
  if (empty_ != wasEmpty) changes.push_back("playbackBufferEmpty");
  if (full_ != wasFull) changes.push_back("playbackBufferFull");
  if (keepUp_ != wasKeepUp) changes.push_back("playbackLikelyToKeepUp");
}

void PlaybackEngine::failLocked(std::string reason, std::vector<std::string>& changes) {
  status_ = Status::Failed;
  failureReason_ = std::move(reason);
  rebaseLocked(clockLocked());  // the clock stops where it is
  rate_ = 0;
  changes.push_back("status");
}

void PlaybackEngine::dropOverdueFramesLocked() {
  // A frame whose successor is already due can never be shown; dropping it keeps the queue (and so the
  // sound, read from the same input) moving when nobody takes frames in time.
  if (activeSeek_ || pendingSeek_ || video_.size() < 2) return;
  double now = clockLocked();
  bool dropped = false;
  while (video_.size() >= 2 && video_[1].pts <= now + kEpsilon) {
    av_frame_free(&video_.front().frame);
    video_.pop_front();
    ++skipped_;
    dropped = true;
  }
  if (dropped) wakeup_.notify_all();
}

double PlaybackEngine::clockLocked() const {
  if (pendingSeek_) return pendingSeek_->target;
  if (activeSeek_) return activeSeek_->target;
  double time = base_;
  if (!stalled_ && rate_ != 0) time += (wallNow() - wallBase_) * rate_;
  if (inputEnded_) {
    time = std::min(time, lastPts_);
  } else if (duration_ > 0) {
    time = std::min(time, duration_);
  }
  return std::max(time, 0.0);
}

void PlaybackEngine::rebaseLocked(double mediaTime) {
  base_ = mediaTime;
  wallBase_ = wallNow();
}

void PlaybackEngine::clearQueuesLocked() {
  for (auto& queued : video_) av_frame_free(&queued.frame);
  video_.clear();
  audio_.clear();
  audioHead_ = 0;
}

PlaybackEngine::Status PlaybackEngine::status() const {
  std::lock_guard<std::mutex> guard(lock_);
  return status_;
}

std::string PlaybackEngine::failureReason() const {
  std::lock_guard<std::mutex> guard(lock_);
  return failureReason_;
}

double PlaybackEngine::currentTime() const {
  std::lock_guard<std::mutex> guard(lock_);
  return clockLocked();
}

double PlaybackEngine::duration() const {
  std::lock_guard<std::mutex> guard(lock_);
  return duration_;
}

int32_t PlaybackEngine::soundTrackID() const {
  std::lock_guard<std::mutex> guard(lock_);
  return soundTrackID_;
}

double PlaybackEngine::frameDuration() const {
  std::lock_guard<std::mutex> guard(lock_);
  return frameDuration_;
}

void PlaybackEngine::setRate(double rate) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    rebaseLocked(clockLocked());
    if (rate != 0 && endReported_) return;  // at the end the item stays there until a seek
    rate_ = rate;
  }
  wakeup_.notify_all();
}

double PlaybackEngine::rate() const {
  std::lock_guard<std::mutex> guard(lock_);
  return rate_;
}

bool PlaybackEngine::bufferEmpty() const {
  std::lock_guard<std::mutex> guard(lock_);
  return empty_;
}

bool PlaybackEngine::bufferFull() const {
  std::lock_guard<std::mutex> guard(lock_);
  return full_;
}

bool PlaybackEngine::likelyToKeepUp() const {
  std::lock_guard<std::mutex> guard(lock_);
  return keepUp_;
}

void PlaybackEngine::seek(double target, double toleranceBefore, std::function<void(bool)> completion) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (pendingSeek_ && pendingSeek_->completion) superseded_.push_back(std::move(pendingSeek_->completion));
    auto request = std::make_unique<SeekRequest>();
    // Clamped here, before the target becomes the clock or a timestamp: a time past the end lands on it.
    double longest = duration_ > 0 ? duration_ : kLongestSeek;
    request->target = std::isnan(target) ? 0.0 : std::clamp(target, 0.0, longest);
    request->exact = toleranceBefore <= 0;
    request->completion = std::move(completion);
    pendingSeek_ = std::move(request);
  }
  wakeup_.notify_all();
}

bool PlaybackEngine::hasFrame(double time) const {
  std::lock_guard<std::mutex> guard(lock_);
  // While a seek is under way the clock already reads its target, but the queue still holds frames from
  // before it: none of them is the frame for that time.
  if (pendingSeek_ || activeSeek_) return false;
  return !video_.empty() && video_.front().pts <= time + kEpsilon;
}

uint64_t PlaybackEngine::skippedFrames() const {
  std::lock_guard<std::mutex> guard(lock_);
  return skipped_;
}

AVFrame* PlaybackEngine::takeFrame(double time, double* pts) {
  AVFrame* newest = nullptr;
  {
    std::lock_guard<std::mutex> guard(lock_);
    while (!pendingSeek_ && !activeSeek_ && !video_.empty() && video_.front().pts <= time + kEpsilon) {
      if (newest) {
        av_frame_free(&newest);
        ++skipped_;
      }
      newest = video_.front().frame;
      if (pts) *pts = video_.front().pts;
      video_.pop_front();
    }
  }
  if (newest) wakeup_.notify_all();
  return newest;
}

void PlaybackEngine::pullAudio(float* samples, int frames) {
  std::fill(samples, samples + size_t(frames) * kAudioChannels, 0.0f);
  std::lock_guard<std::mutex> guard(lock_);
  if (status_ != Status::ReadyToPlay || rate_ != 1.0 || stalled_ || activeSeek_ || pendingSeek_) return;
  size_t queued = (audio_.size() - audioHead_) / kAudioChannels;
  if (queued == 0) return;
  double now = clockLocked();
  // Keep the sound on the clock: drop what is late (after a stall or seek), wait with silence for what is
  // early.
  double lag = now - audioPts_;
  if (lag > 0.1) {
    size_t drop = std::min(queued, size_t(lag * kAudioRate));
    audioHead_ += drop * kAudioChannels;
    audioPts_ += double(drop) / kAudioRate;
    queued -= drop;
  }
  if (queued == 0 || audioPts_ > now + 0.1) return;
  size_t count = std::min(queued, size_t(frames));
  float gain = muted_ ? 0.0f : volume_.load() * mixVolume_.load();
  const float* source = audio_.data() + audioHead_;
  for (size_t i = 0; i < count * kAudioChannels; ++i) samples[i] = source[i] * gain;
  audioHead_ += count * kAudioChannels;
  audioPts_ += double(count) / kAudioRate;
  if (audioHead_ == audio_.size()) {
    audio_.clear();
    audioHead_ = 0;
  } else if (audioHead_ > (1u << 16) && audioHead_ * 2 > audio_.size()) {
    audio_.erase(audio_.begin(), audio_.begin() + std::ptrdiff_t(audioHead_));
    audioHead_ = 0;
  }
  wakeup_.notify_all();
}

}  // namespace qv
