#include "qv/os/av/FFmpegSupport.h"

#include <cstdarg>
#include <mutex>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
}

#include "qv/os/QVLog.h"

namespace qv {

std::string fileInputName(const std::string& path) {
  return "file:" + path;
}

std::string ffmpegErrorText(int status) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(status, text, sizeof text);
  return text;
}

std::optional<std::string> unresamplableRate(int rate) {
  if (rate >= kLowestSampleRate && rate <= kHighestSampleRate) return std::nullopt;
  return "a sample rate of " + std::to_string(rate) + " Hz (audio is played from " +
         std::to_string(kLowestSampleRate) + " to " + std::to_string(kHighestSampleRate) + " Hz)";
}

namespace {

QVLogLevel kitLevelOf(int ffmpegLevel) {
  if (ffmpegLevel <= AV_LOG_ERROR) return QVLogLevel::Error;
  if (ffmpegLevel <= AV_LOG_WARNING) return QVLogLevel::Warning;
  return QVLogLevel::Debug;
}

// FFmpeg hands a line over in pieces (a prefix, then the text, the newline last); each thread gathers
// its pieces and logs the whole line.
void logFromFFmpeg(void* object, int level, const char* format, va_list args) {
  if (level > av_log_get_level()) return;  // FFmpeg's own threshold: info unless a host changes it
  QVLogLevel kitLevel = kitLevelOf(level);
  if (!QVLogShows(kitLevel)) return;
  thread_local std::string pending;
  thread_local int printPrefix = 1;
  char piece[1024];
  av_log_format_line2(object, level, format, args, piece, sizeof piece, &printPrefix);
  pending += piece;
  if (pending.empty() || pending.back() != '\n') return;
  pending.pop_back();
  if (!pending.empty()) QVLogAt(kitLevel, "%s", pending.c_str());
  pending.clear();
}

}  // namespace

void routeFFmpegLog() {
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_callback(logFromFFmpeg); });
}

namespace {

struct PCMLayout {
  AVCodecID codec;
  uint32_t bits;
  uint32_t flags;
};

constexpr uint32_t kSigned = AudioStreamDescription::kFlagIsSignedInteger;
constexpr uint32_t kFloat = AudioStreamDescription::kFlagIsFloat;
constexpr uint32_t kBig = AudioStreamDescription::kFlagIsBigEndian;

constexpr PCMLayout kPCMLayouts[] = {
    {AV_CODEC_ID_PCM_U8, 8, 0},           {AV_CODEC_ID_PCM_S8, 8, kSigned},
    {AV_CODEC_ID_PCM_S16LE, 16, kSigned}, {AV_CODEC_ID_PCM_S16BE, 16, kSigned | kBig},
    {AV_CODEC_ID_PCM_S24LE, 24, kSigned}, {AV_CODEC_ID_PCM_S24BE, 24, kSigned | kBig},
    {AV_CODEC_ID_PCM_S32LE, 32, kSigned}, {AV_CODEC_ID_PCM_S32BE, 32, kSigned | kBig},
    {AV_CODEC_ID_PCM_F32LE, 32, kFloat},  {AV_CODEC_ID_PCM_F32BE, 32, kFloat | kBig},
    {AV_CODEC_ID_PCM_F64LE, 64, kFloat},  {AV_CODEC_ID_PCM_F64BE, 64, kFloat | kBig},
};

struct CompressedCode {
  AVCodecID codec;
  uint32_t formatID;
  uint32_t framesPerPacket;  // used when the stream does not state its frame size
};

constexpr CompressedCode kCompressedCodes[] = {
    {AV_CODEC_ID_AAC, fourCharCode("aac "), 1024},   {AV_CODEC_ID_MP3, fourCharCode(".mp3"), 1152},
    {AV_CODEC_ID_MP2, fourCharCode(".mp2"), 1152},   {AV_CODEC_ID_MP1, fourCharCode(".mp1"), 384},
    {AV_CODEC_ID_ALAC, fourCharCode("alac"), 4096},  {AV_CODEC_ID_FLAC, fourCharCode("flac"), 0},
    {AV_CODEC_ID_OPUS, fourCharCode("opus"), 960},   {AV_CODEC_ID_VORBIS, fourCharCode("vorb"), 0},
    {AV_CODEC_ID_AC3, fourCharCode("ac-3"), 1536},   {AV_CODEC_ID_EAC3, fourCharCode("ec-3"), 1536},
    {AV_CODEC_ID_AMR_NB, fourCharCode("samr"), 160}, {AV_CODEC_ID_PCM_MULAW, fourCharCode("ulaw"), 1},
    {AV_CODEC_ID_PCM_ALAW, fourCharCode("alaw"), 1}, {AV_CODEC_ID_ADPCM_IMA_QT, fourCharCode("ima4"), 64},
};

}  // namespace

std::optional<AudioStreamDescription> audioStreamDescriptionOf(const AVCodecParameters* parameters) {
  AudioStreamDescription description;
  description.sampleRate = parameters->sample_rate;
  description.channelsPerFrame = uint32_t(parameters->ch_layout.nb_channels);
  for (const PCMLayout& pcm : kPCMLayouts) {
    if (pcm.codec != parameters->codec_id) continue;
    description.formatID = AudioStreamDescription::kLinearPCM;
    description.formatFlags = pcm.flags | AudioStreamDescription::kFlagIsPacked;
    description.bitsPerChannel = pcm.bits;
    description.bytesPerFrame = pcm.bits / 8 * description.channelsPerFrame;
    description.bytesPerPacket = description.bytesPerFrame;
    description.framesPerPacket = 1;
    return description;
  }
  for (const CompressedCode& code : kCompressedCodes) {
    if (code.codec != parameters->codec_id) continue;
    description.formatID = code.formatID;
    description.framesPerPacket =
        parameters->frame_size > 0 ? uint32_t(parameters->frame_size) : code.framesPerPacket;
    if (code.codec == AV_CODEC_ID_AAC) {
      // The flags of an AAC stream carry its MPEG-4 audio object type; HE-AAC has codes of its own.
      if (parameters->profile == FF_PROFILE_AAC_HE) {
        description.formatID = fourCharCode("aach");
      } else if (parameters->profile == FF_PROFILE_AAC_HE_V2) {
        description.formatID = fourCharCode("aacp");
      } else if (parameters->profile >= 0) {
        description.formatFlags = uint32_t(parameters->profile + 1);
      }
    }
    if (code.codec == AV_CODEC_ID_PCM_MULAW || code.codec == AV_CODEC_ID_PCM_ALAW) {
      description.bitsPerChannel = 8;
      description.bytesPerFrame = description.channelsPerFrame;
      description.bytesPerPacket = description.channelsPerFrame;
    }
    return description;
  }
  return std::nullopt;
}

}  // namespace qv
