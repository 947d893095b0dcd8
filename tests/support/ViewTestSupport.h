// Helpers for tests that drive a whole view: a colour-coded equirectangular panorama whose colour at any
// direction is known, a view laid out on an offscreen layer, and reading pixels of its last frame.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "qv/core/QVViewGL.h"
#include "tests/support/LogCapture.h"

namespace qv {
class Image;
}  // namespace qv
using namespace qv;

using RGB = std::array<uint8_t, 3>;

// Eight 45-degree bands of yaw (centred on 0, 45, ..., yaw increasing to the right in the image, yaw 0 at
// the image centre) between pitch -60 and +60, a zenith cap above +60 and a nadir cap below -60.
struct ColourCodedPanorama {
  static constexpr RGB kZenith{255, 0, 255};
  static constexpr RGB kNadir{0, 255, 255};
  // The colour of the band containing `yawDegrees`.
  static RGB band(double yawDegrees);
  static std::shared_ptr<Image> make(int width = 512, int height = 256);
};

// A view of the given size with its drawable built; touch-only navigation unless said otherwise.
std::shared_ptr<QVViewGL> makeLaidOutView(int width, int height, bool touchOnly = true);

// One pixel of the view's last presented frame, (0, 0) at the top left.
RGB framePixel(QVViewGL& view, int x, int y);
