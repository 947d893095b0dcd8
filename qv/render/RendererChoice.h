// Which renderer draws a frame, from the content layout (_videoMode), the stereo request, the legacy flag
// and the picture's projection. A pure function, so every combination can be checked without GL.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "qv/os/Export.h"
#include "qv/os/PanoramaLayout.h"

QV_EXPORT_BEGIN
namespace qv {

enum class RendererKind : int32_t {
  None = 0,           // nothing is drawn (an unknown layout); the frame is cleared
  Sphere = 1,         // the mono panorama sphere
  Flat = 2,           // the letterboxed flat frame
  Cylinder = 3,       // the open cylinder
  StereoPair = 4,     // one clear, then the left and the right eye
  Legacy = 5,         // the renderer for old system versions
  CubeMap = 6,        // the mono sphere of a cube-map picture
  CubeMapStereo = 7,  // the stereo pair of a cube-map picture
};

struct RendererChoice {
  RendererKind kind = RendererKind::None;
  bool setsStereomode = false;  // the frame writes `stereomode` before drawing
  int32_t stereomode = 0;       // 0 full frame to both eyes, 1 over-under content
};

// A cube-map picture takes the cube-map sphere where the equirectangular layouts take the sphere, and the
// cube-map pair for the stereo pair. The cylinder bends an equirectangular band round the viewer, which a
// cube map has not: it shows the cube-map sphere. The flat layout shows the picture as it is, faces and
// all, and the legacy renderer knows only equirectangular frames.
RendererChoice chooseRenderer(int32_t videoMode, bool isStereo, bool legacy,
                              PanoramaProjection projection = PanoramaProjection::Equirectangular);

// The renderer that draws `kind`'s layout for a picture of `projection` (the rule above).
RendererKind rendererForProjection(RendererKind kind, PanoramaProjection projection);

std::string_view rendererName(RendererKind kind);

class SceneRenderer;
// The renderer of a kind; nullptr for None.
std::unique_ptr<SceneRenderer> makeSceneRenderer(RendererKind kind);

}  // namespace qv
QV_EXPORT_END
