#include "qv/os/av/StreamAsset.h"

#include <algorithm>
#include <filesystem>
#include <thread>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "qv/os/URL.h"
#include "qv/os/av/FFmpegSupport.h"
#include "qv/os/av/InputOpener.h"
#include "qv/os/av/ThreadReaper.h"

namespace qv {

std::shared_ptr<StreamAsset> StreamAsset::create(std::string url) {
  return std::shared_ptr<StreamAsset>(new StreamAsset(std::move(url)));
}

std::string StreamAsset::inputNameForURL(const std::string& url) {
  auto parsed = URL::URLWithString(url);
  if (parsed && parsed->isFileURL()) return fileInputName(parsed->path());
  // A path that names something on disk is a file, whatever protocol its text looks like. It is made
  // absolute now: the player opens it later, on its own thread, when the working folder may have changed.
  std::error_code ignored;
  if (!url.empty() && std::filesystem::exists(url, ignored)) {
    auto absolute = std::filesystem::absolute(url, ignored);
    return fileInputName(ignored ? url : absolute.string());
  }
  return url;
}

void StreamAsset::loadValuesAsynchronously(std::vector<std::string>, std::function<void()> completion) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (status_ == Unknown) status_ = Loading;
  }
  // Joined by the reaper once it has probed (the network waits are bounded by the input's timeouts), so it
  // is not still running when the process's static objects go.
  ThreadReaper::adopt(std::thread([self = shared_from_this(), completion = std::move(completion)] {
    self->probe();
    if (completion) completion();
  }));
}

void StreamAsset::probe() {
  std::lock_guard<std::mutex> once(probeLock_);
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (status_ == Loaded || status_ == Failed) return;
  }
  std::string error;
  std::vector<Track> tracks;
  MediaTime duration = MediaTime::indefinite();
  StreamPanorama panorama;
  AVFormatContext* format = nullptr;
  int result = openInput(inputNameForURL(url_), &format, nullptr);
  if (result >= 0) {
    for (unsigned i = 0; i < format->nb_streams; ++i) {
      const AVCodecParameters* parameters = format->streams[i]->codecpar;
      if (parameters->codec_type != AVMEDIA_TYPE_VIDEO && parameters->codec_type != AVMEDIA_TYPE_AUDIO)
        continue;
      if (!avcodec_find_decoder(parameters->codec_id)) continue;
      if (parameters->codec_type == AVMEDIA_TYPE_VIDEO &&
          (parameters->width <= 0 || parameters->height <= 0)) {
        continue;
      }
      const bool firstVideo = parameters->codec_type == AVMEDIA_TYPE_VIDEO &&
                              std::none_of(tracks.begin(), tracks.end(),
                                           [](const Track& t) { return t.mediaType == MediaType::Video; });
      if (firstVideo) panorama = readStreamPanorama(format->streams[i], url_.c_str());
      tracks.push_back({int32_t(i + 1),
                        parameters->codec_type == AVMEDIA_TYPE_VIDEO ? MediaType::Video : MediaType::Audio});
    }
    if (format->duration != AV_NOPTS_VALUE && format->duration > 0) {
      duration = MediaTime::make(format->duration, AV_TIME_BASE);
    }
    if (tracks.empty()) error = "no decodable audio or video track";
    avformat_close_input(&format);
  } else {
    error = ffmpegErrorText(result);
  }
  std::lock_guard<std::mutex> guard(lock_);
  status_ = error.empty() ? Loaded : Failed;
  error_ = error;
  tracks_ = std::move(tracks);
  duration_ = duration;
  panorama_ = panorama;
}

StreamAsset::KeyValueStatus StreamAsset::statusOfValueForKey(std::string_view key) const {
  if (key != "playable" && key != "tracks" && key != "duration") return Unknown;
  std::lock_guard<std::mutex> guard(lock_);
  return status_;
}

std::string StreamAsset::loadError() const {
  std::lock_guard<std::mutex> guard(lock_);
  return error_;
}

StreamPanorama StreamAsset::panorama() const {
  std::lock_guard<std::mutex> guard(lock_);
  return panorama_;
}

std::vector<StreamAsset::Track> StreamAsset::tracks() const {
  std::lock_guard<std::mutex> guard(lock_);
  return tracks_;
}

MediaTime StreamAsset::duration() const {
  std::lock_guard<std::mutex> guard(lock_);
  return duration_;
}

std::string StreamAsset::description() const {
  return "<StreamAsset " + url_ + ">";
}

}  // namespace qv
