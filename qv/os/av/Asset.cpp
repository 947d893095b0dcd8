#include "qv/os/av/Asset.h"

#include <climits>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "qv/os/av/FFmpegSupport.h"
#include "qv/os/av/MutableComposition.h"

namespace qv {

namespace {

MediaType mediaTypeOf(AVMediaType type) {
  switch (type) {
    case AVMEDIA_TYPE_AUDIO:
      return MediaType::Audio;
    case AVMEDIA_TYPE_VIDEO:
      return MediaType::Video;
    case AVMEDIA_TYPE_SUBTITLE:
      return MediaType::Subtitle;
    default:
      return MediaType::Other;
  }
}

// The stream's duration on a timescale that fits 32 bits; the container's duration when the stream has none.
MediaTime durationOf(const AVFormatContext* format, const AVStream* stream) {
  if (stream->duration != AV_NOPTS_VALUE && stream->duration >= 0 && stream->time_base.den > 0 &&
      stream->time_base.num > 0) {
    return MediaTime::make(stream->duration * stream->time_base.num, stream->time_base.den);
  }
  if (format->duration != AV_NOPTS_VALUE && format->duration >= 0) {
    return MediaTime::make(format->duration, AV_TIME_BASE);
  }
  return MediaTime::indefinite();
}

}  // namespace

std::vector<std::shared_ptr<AssetTrack>> Asset::tracksWithMediaType(MediaType type) const {
  std::vector<std::shared_ptr<AssetTrack>> result;
  for (const auto& track : tracks_) {
    if (track->mediaType() == type) result.push_back(track);
  }
  return result;
}

std::shared_ptr<Asset> Asset::URLAsset(const URL& url) {
  std::shared_ptr<Asset> asset(new Asset());
  if (!url.isFileURL()) {
    asset->loadError_ = AVError{"AVFoundationErrorDomain", -11828, "not a file URL: " + url.absoluteString()};
    return asset;
  }
  AVFormatContext* format = nullptr;
  routeFFmpegLog();
  int status = avformat_open_input(&format, fileInputName(url.path()).c_str(), nullptr, nullptr);
  if (status >= 0) status = avformat_find_stream_info(format, nullptr);
  if (status < 0) {
    asset->loadError_ =
        AVError{"FFmpeg", status, "cannot open " + url.path() + ": " + ffmpegErrorText(status)};
    avformat_close_input(&format);
    return asset;
  }
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    const AVStream* stream = format->streams[i];
    MediaType type = mediaTypeOf(stream->codecpar->codec_type);
    auto track = std::make_shared<AssetTrack>(type, int32_t(i + 1));
    track->timeRange_ = {MediaTime::zero(), durationOf(format, stream)};
    track->sourcePath_ = url.path();
    track->sourceStream_ = int(i);
    if (type == MediaType::Audio) {
      if (auto description = audioStreamDescriptionOf(stream->codecpar)) {
        track->descriptions_.push_back(*description);
      }
    }
    asset->tracks_.push_back(std::move(track));
  }
  avformat_close_input(&format);
  return asset;
}

std::shared_ptr<MutableComposition> MutableComposition::composition() {
  return std::shared_ptr<MutableComposition>(new MutableComposition());
}

std::shared_ptr<MutableCompositionTrack> MutableComposition::addMutableTrack(MediaType type,
                                                                             int32_t preferredTrackID) {
  int32_t id = preferredTrackID;
  if (id == 0) {
    for (const auto& track : tracks_) id = std::max(id, track->trackID());
    ++id;
  }
  auto track = std::make_shared<MutableCompositionTrack>(type, id);
  tracks_.push_back(track);
  return track;
}

bool MutableCompositionTrack::insertTimeRange(MediaTimeRange range, const AssetTrack& source, MediaTime at,
                                              AVError* error) {
  auto fail = [&](int64_t code, const char* text) {
    if (error) *error = AVError{"AVFoundationErrorDomain", code, text};
    return false;
  };
  if (!source.hasSource()) return fail(-11800, "the source track has no media data");
  if (source.mediaType() != mediaType_) return fail(-11821, "the source track has another media type");
  MediaTime sourceDuration = source.timeRange().duration;
  if (!range.start.isNumeric() || !range.duration.isNumeric() || range.start.value != 0 ||
      range.duration.value <= 0 || !sourceDuration.isNumeric() ||
      range.duration.seconds() > sourceDuration.seconds()) {
    return fail(-11800, "the time range is not a finite range from zero within the source track");
  }
  if (!at.isNumeric() || at.value != 0 || hasSource()) {
    return fail(-11800, "a composition track holds one range, inserted at time zero");
  }
  timeRange_ = {MediaTime::zero(), range.duration};
  descriptions_ = source.audioStreamDescriptions();
  sourcePath_ = source.sourcePath();
  sourceStream_ = source.sourceStream();
  return true;
}

}  // namespace qv
