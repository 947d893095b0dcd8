// What a video stream's side data says about its panorama: the spherical mapping (projection, covered area,
// pose), the stereo packing and the display matrix. Internal to qv/os/av; read once when the asset is probed.
#pragma once

#include <optional>

#include "qv/os/PanoramaLayout.h"

struct AVStream;

namespace qv {

struct StreamPanorama {
  std::optional<PanoramaLayout> layout;  // none: the stream says nothing usable about a panorama
  int32_t displayRotation = 0;           // degrees counter-clockwise, 0, 90, 180 or 270 (flat video)
};

// Metadata that contradicts itself or that the kit cannot show (overlapping bounds, an unknown projection,
// a pose that is no angle) gives no layout and one log line naming `nameForLog` and the reason.
StreamPanorama readStreamPanorama(const AVStream* stream, const char* nameForLog);

}  // namespace qv
