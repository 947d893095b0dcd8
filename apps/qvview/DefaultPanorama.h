// The panorama qvview shows when it is given no file: an equirectangular test card generated in code, on
// which orientation and mirroring can be judged at a glance. Each 90-degree quadrant of yaw has its own
// colour (darker below the horizon), a grid every 15 degrees, a bright horizon, compass letters N E S W
// at yaw 0, 90, 180, 270 (N at the image centre, E to its right) and ZENITH / NADIR caps at the poles.
#pragma once

#include <memory>

namespace qv {
class Image;
}  // namespace qv
using namespace qv;

std::shared_ptr<Image> makeDefaultPanorama(int width = 4096, int height = 2048);
