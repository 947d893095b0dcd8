#include "qv/os/RenderableView.h"

#include <cmath>
#include <vector>

#include "qv/os/Image.h"

namespace qv {

std::shared_ptr<Image> imageByRenderingView(RenderableView& view) {
  double scale = Environment::current().screenScale();
  return imageByRenderingView(view, scale > 0 ? scale : 1.0);
}

std::shared_ptr<Image> imageByRenderingView(RenderableView& view, double scale) {
  QVRect bounds = view.bounds();
  double w = std::ceil(bounds.width * scale), h = std::ceil(bounds.height * scale);
  if (!(w >= 1 && h >= 1 && w <= Image::kMaxDimension && h <= Image::kMaxDimension)) return nullptr;
  // The canvas is zero-filled before the view draws: kept to what a hotspot can sensibly show (1 GiB).
  constexpr uint64_t kMaxCanvasPixels = uint64_t(16384) * 16384;
  if (uint64_t(w) * uint64_t(h) > kMaxCanvasPixels) return nullptr;
  RGBACanvas canvas;
  canvas.width = int(w);
  canvas.height = int(h);
  canvas.bytesPerRow = size_t(canvas.width) * 4;
  canvas.scale = scale;
  std::vector<uint8_t> pixels(canvas.bytesPerRow * size_t(canvas.height), 0);
  canvas.pixels = pixels.data();
  view.drawInCanvas(canvas);
  return Image::fromRGBA(canvas.width, canvas.height, std::move(pixels));
}

}  // namespace qv
