// Side-by-side stereo for headset viewers with cube-map pictures: each eye is the cube-map sphere drawn into
// its half of the view, from its own half of a stereo-packed picture (both eyes the whole of a mono one).
// Both eyes share one camera, which follows the device's attitude as the equirectangular pair does.
#pragma once

#include "qv/render/CubeMapRenderer.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class CubeMapStereoRenderer : public CubeMapRenderer {
 public:
  RendererTraits traits() const override { return {.eyes = 2, .autoLevels = true, .drawsOverlays = true}; }
  std::optional<CameraPass> cameraPass(const FrameSnapshot& frame, int eye) const override;
  void draw(const FrameSnapshot& frame, int eye, const SceneQuadrics& quadrics) override;
};

}  // namespace qv
QV_EXPORT_END
