#include "tests/support/ViewTestSupport.h"

#include <cmath>

#include "qv/core/QVObjectFactory.h"
#include "qv/os/Image.h"
#include "qv/os/OffscreenLayer.h"

using namespace qv;

RGB ColourCodedPanorama::band(double yawDegrees) {
  static constexpr RGB kBands[8] = {{200, 30, 30},  {200, 120, 30}, {200, 200, 30}, {30, 200, 30},
                                    {30, 200, 200}, {30, 30, 200},  {120, 30, 200}, {120, 120, 120}};
  double wrapped = std::fmod(yawDegrees + 22.5 + 3600.0, 360.0);
  return kBands[int(wrapped / 45.0) % 8];
}

std::shared_ptr<Image> ColourCodedPanorama::make(int width, int height) {
  std::vector<uint8_t> rgba(size_t(width) * size_t(height) * 4);
  for (int y = 0; y < height; ++y) {
    double pitch = 90.0 - (y + 0.5) * 180.0 / height;
    for (int x = 0; x < width; ++x) {
      double yaw = (x + 0.5) * 360.0 / width - 180.0;
      RGB c = pitch > 60 ? kZenith : pitch < -60 ? kNadir : band(yaw);
      uint8_t* p = &rgba[(size_t(y) * size_t(width) + size_t(x)) * 4];
      p[0] = c[0], p[1] = c[1], p[2] = c[2], p[3] = 255;
    }
  }
  return Image::fromRGBA(width, height, std::move(rgba));
}

std::shared_ptr<QVViewGL> makeLaidOutView(int width, int height, bool touchOnly) {
  auto view = QVObjectFactory::viewWithFrame(QVRect{0, 0, double(width), double(height)});
  view->layoutSubviews();
  view->setAutoLevel(false, 0);
  if (touchOnly) view->setNavigationMode(1);
  return view;
}

RGB framePixel(QVViewGL& view, int x, int y) {
  int w = 0, h = 0;
  auto frame = static_cast<OffscreenLayer&>(*view.layer()).lastFrame(&w, &h);
  if (x < 0 || y < 0 || x >= w || y >= h) return {0, 0, 0};
  const uint8_t* p = &frame[(size_t(y) * size_t(w) + size_t(x)) * 4];
  return {p[0], p[1], p[2]};
}
