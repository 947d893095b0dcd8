// The layer qvview gives its window's view: it puts the on-screen display over each frame in the view's
// framebuffer and then lets the window's layer present it. A screenshot asked for is read from the frame
// before the display is drawn, so it holds the view alone. Main thread (the view's drawing thread).
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "apps/qvview/Osd.h"
#include "qv/os/Layer.h"

using namespace qv;

class OsdLayer : public Layer {
 public:
  OsdLayer(std::shared_ptr<Layer> window, std::shared_ptr<Osd> osd)
      : window_(std::move(window)), osd_(std::move(osd)) {}

  bool renderbufferStorage(GLenum target) override { return window_->renderbufferStorage(target); }
  bool presentRenderbuffer(GLenum target) override;

  // The next frame presented is also written to `path` as a PNG; the outcome is printed.
  void requestScreenshot(std::string path) { screenshot_ = std::move(path); }

 private:
  std::shared_ptr<Layer> window_;
  std::shared_ptr<Osd> osd_;
  std::optional<std::string> screenshot_;
};
