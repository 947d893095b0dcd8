// An SDL2 window whose OpenGL ES 1.1 context is handed to the kit: while the window is open, every view
// the kit makes renders with that context, and the window's layer (makeLayer) shows a view's frames on the
// window. SDL's video subsystem must be initialised first. Destroy the views before the window: closing it
// takes the context back from the kit.
#pragma once

#include <SDL.h>

#include <memory>
#include <string>

#include "qv/os/Export.h"
#include "qv/os/Layer.h"
#include "qv/sdl/SdlGLContext.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

QV_EXPORT_BEGIN

class SdlGLWindow {
 public:
  // A resizable window of `width` x `height` points, or nullptr with SDL's reason in `whyNot` (when given).
  static std::unique_ptr<SdlGLWindow> open(const std::string& title, int width, int height,
                                           std::string* whyNot = nullptr);
  ~SdlGLWindow();
  SdlGLWindow(const SdlGLWindow&) = delete;
  SdlGLWindow& operator=(const SdlGLWindow&) = delete;

  SDL_Window* window() const { return window_; }
  // A new layer that presents on this window; give it to a view with setLayer before its layout.
  std::shared_ptr<Layer> makeLayer() const;

 private:
  SdlGLWindow(SDL_Window* window, std::shared_ptr<SdlGLContext> context);

  SDL_Window* window_;
  std::shared_ptr<SdlGLContext> context_;
};

QV_EXPORT_END

}  // namespace qv
QV_EXPORT_END
