#include "apps/qvview/DefaultPanorama.h"

#include <cmath>
#include <string>

#include "apps/qvview/BitmapFont.h"
#include "qv/os/Image.h"

using namespace qv;

namespace {

// Quadrant colours, by yaw from the image centre: N (red), E (green), S (blue), W (yellow).
constexpr uint32_t kQuadrantColours[4] = {0xB03A2E, 0x2E8B57, 0x2E5CB0, 0xC9A227};

uint32_t darker(uint32_t rgb) {
  return ((rgb >> 17) & 0x7F) << 16 | ((rgb >> 9) & 0x7F) << 8 | ((rgb >> 1) & 0x7F);
}

}  // namespace

std::shared_ptr<Image> makeDefaultPanorama(int width, int height) {
  Canvas canvas(width, height);
  const double pxPerDegree = width / 360.0;
  // Yaw 0 (north) at the image centre; yaw increases to the right.
  auto xForYaw = [&](double yaw) { return int(std::lround((yaw + 180.0) * pxPerDegree)) % width; };
  auto yForPitch = [&](double pitch) { return int(std::lround((90.0 - pitch) * height / 180.0)); };

  for (int q = 0; q < 4; ++q) {
    // Quadrant q covers yaw from 90q - 45 to 90q + 45.
    for (int part = 0; part < 2; ++part) {
      double from = 90.0 * q - 45.0, to = 90.0 * q + 45.0;
      int x0 = xForYaw(from), x1 = xForYaw(to);
      if (x1 <= x0) x1 += width;
      int horizon = yForPitch(0);
      auto fill = [&](int a, int b) {
        if (part == 0)
          canvas.fillRect(a, 0, b - a, horizon, kQuadrantColours[q]);
        else
          canvas.fillRect(a, horizon, b - a, height - horizon, darker(kQuadrantColours[q]));
      };
      if (x1 > width) {
        fill(x0, width);
        fill(0, x1 - width);
      } else {
        fill(x0, x1);
      }
    }
  }

  // Grid: a line every 15 degrees, stronger every 45.
  int thin = std::max(2, width / 2048), thick = thin * 3;
  for (int yaw = -180; yaw < 180; yaw += 15) {
    int w = yaw % 45 == 0 ? thick : thin;
    canvas.fillRect(xForYaw(yaw) - w / 2, 0, w, height, yaw % 45 == 0 ? 0xF0F0F0 : 0x909090);
  }
  for (int pitch = -75; pitch <= 75; pitch += 15) {
    int w = pitch % 45 == 0 ? thick : thin;
    canvas.fillRect(0, yForPitch(pitch) - w / 2, width, w, pitch % 45 == 0 ? 0xF0F0F0 : 0x909090);
  }
  canvas.fillRect(0, yForPitch(0) - thick, width, thick * 2, 0xFFFFFF);

  // Polar caps beyond 80 degrees.
  canvas.fillRect(0, 0, width, yForPitch(80), 0x6A2C91);
  canvas.fillRect(0, yForPitch(-80), width, height - yForPitch(-80), 0x1F6F6F);

  int letterScale = std::max(2, height / 256);
  auto label = [&](const std::string& text, double yaw, double pitch, int scale, uint32_t colour) {
    int x = xForYaw(yaw) - textWidth(text, scale) / 2;
    int y = yForPitch(pitch) - 7 * scale / 2;
    drawText(canvas, text, x, y, scale, colour);
  };
  const char* compass[4] = {"N", "E", "S", "W"};
  for (int q = 0; q < 4; ++q) {
    label(compass[q], 90.0 * q, 12, letterScale * 3, 0xFFFFFF);
    label(compass[q], 90.0 * q, -8, letterScale * 2, 0xFFFFFF);
  }
  for (int yaw = -180; yaw < 180; yaw += 45) {
    if (yaw % 90 == 0) continue;
    label(std::to_string(yaw < 0 ? yaw + 360 : yaw), yaw, 4, letterScale, 0xFFFFFF);
  }
  for (int pitch : {-60, -30, 30, 60}) {
    std::string text = std::to_string(pitch);
    if (pitch > 0) text.insert(text.begin(), '+');
    for (int yaw = -135; yaw < 180; yaw += 90) label(text, yaw, pitch + 4, letterScale, 0xFFFFFF);
  }
  for (int yaw = -180; yaw < 180; yaw += 90) {
    label("ZENITH", yaw + 45, 85, letterScale * 2, 0xFFFFFF);
    label("NADIR", yaw + 45, -85, letterScale * 2, 0xFFFFFF);
  }
  return Image::fromRGBA(width, height, std::move(canvas.rgba));
}
