// Which renderer draws a frame, from the content layout (_videoMode), the stereo request and the
// legacy flag. A pure function, so every combination can be checked without GL.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

enum class RendererKind : int32_t {
  None = 0,        // nothing is drawn (an unknown layout); the frame is cleared
  Sphere = 1,      // the mono panorama sphere
  Flat = 2,        // the letterboxed flat frame
  Cylinder = 3,    // the open cylinder
  StereoPair = 4,  // one clear, then the left and the right eye
  Legacy = 5,      // the renderer for old system versions
};

struct RendererChoice {
  RendererKind kind = RendererKind::None;
  bool setsStereomode = false;  // the frame writes `stereomode` before drawing
  int32_t stereomode = 0;       // 0 full frame to both eyes, 1 over-under content
};

RendererChoice chooseRenderer(int32_t videoMode, bool isStereo, bool legacy);

std::string_view rendererName(RendererKind kind);

class SceneRenderer;
// The renderer of a kind; nullptr for None.
std::unique_ptr<SceneRenderer> makeSceneRenderer(RendererKind kind);

}  // namespace qv
QV_EXPORT_END
