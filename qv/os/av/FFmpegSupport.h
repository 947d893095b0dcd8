// Small FFmpeg helpers shared by the asset and the readers (internal to qv/os/av).
#pragma once

#include <optional>
#include <string>

#include "qv/os/av/AudioStreamDescription.h"

struct AVCodecParameters;

namespace qv {

std::string ffmpegErrorText(int status);

// The name under which FFmpeg opens the local file `path` as a file, even when the path looks like a
// protocol ("take:1.mp4").
std::string fileInputName(const std::string& path);

// Sends FFmpeg's log lines through QVLog from now on (idempotent): errors and warnings at their own level,
// FFmpeg's informational lines at debug level; lines below FFmpeg's own level (av_log_set_level) not at all.
void routeFFmpegLog();

// Why audio at `rate` Hz is not resampled, or nothing when it is. Real audio lies well inside the range;
// a rate outside it comes from a damaged or hostile header, and the resampler's filter grows with the
// ratio of the rates (a header claiming 738 MHz asks for gigabytes).
constexpr int kLowestSampleRate = 1000, kHighestSampleRate = 768000;
std::optional<std::string> unresamplableRate(int rate);

// The stream description the phone platform gives a track in this codec; none for codecs it has no code for.
std::optional<AudioStreamDescription> audioStreamDescriptionOf(const AVCodecParameters* parameters);

}  // namespace qv
