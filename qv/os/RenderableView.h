// A view that can draw itself into a bitmap: what a live-view hotspot shows. The host implements it;
// the kit asks for the view's bounds and hands it a cleared canvas of the matching pixel size. Called on
// the thread that draws the panorama view (the main thread).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "qv/os/Environment.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class Image;

// RGBA pixels with straight alpha, top row first, cleared to transparent black before the view draws.
struct RGBACanvas {
  uint8_t* pixels = nullptr;
  int width = 0, height = 0;  // pixels
  size_t bytesPerRow = 0;
  double scale = 1.0;  // pixels per point
};

class RenderableView {
 public:
  virtual ~RenderableView() = default;
  virtual QVRect bounds() const = 0;  // points; the origin is ignored
  virtual void drawInCanvas(RGBACanvas& canvas) = 0;
};

// The view rendered into an image of its bounds at the main screen's scale.
std::shared_ptr<Image> imageByRenderingView(RenderableView& view);
// The same at `scale` pixels per point. nullptr when the size is empty, not finite or beyond what an
// image may hold: such a view has nothing to show.
std::shared_ptr<Image> imageByRenderingView(RenderableView& view, double scale);

}  // namespace qv
QV_EXPORT_END
