// Small FFmpeg helpers shared by the asset and the readers (internal to qv/os/av).
#pragma once

#include <optional>
#include <string>

#include "qv/os/av/AudioStreamDescription.h"

struct AVCodecParameters;

std::string ffmpegErrorText(int status);

// The stream description the phone platform gives a track in this codec; none for codecs it has no code for.
std::optional<AudioStreamDescription> audioStreamDescriptionOf(const AVCodecParameters* parameters);
