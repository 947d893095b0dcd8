// The cube map of spherical-video metadata, as FFmpeg hands it over (AVSphericalMapping): the 3x2 layout with
// the faces right, left, up / down, front, back, the pole faces turned as the metadata declares them (not as
// ffmpeg's v360 filter writes them), and the padding in pixels on each side of every face. Whoever reads a
// stream's side data calls this; it touches only the projection and the cube-map fields of the layout.
#pragma once

extern "C" {
#include <libavutil/spherical.h>
}

#include "qv/os/PanoramaLayout.h"

namespace qv {

// Sets `layout` to the mapping's cube map and returns true; false, leaving `layout` as it was, when the
// mapping is not a cube map or its padding is larger than a picture could hold.
bool applySphericalCubeMap(const AVSphericalMapping& mapping, PanoramaLayout& layout);

}  // namespace qv
