// The video frame (or a still picture) flat on the screen, letterboxed to the content's aspect ratio: one
// quad, or two side by side when the frame arrives as a texture pair; a still picture in tiles is drawn as
// one quad per tile. No camera, blind spot or hotspots; black with nothing to show.
#pragma once

#include "qv/render/SceneRenderer.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class FlatRenderer : public SceneRenderer {
 public:
  RendererTraits traits() const override { return {.eyes = 1, .autoLevels = false, .drawsOverlays = false}; }
  std::optional<CameraPass> cameraPass(const FrameSnapshot&, int) const override { return std::nullopt; }
  void draw(const FrameSnapshot& frame, int eye, const SceneQuadrics& quadrics) override;
};

}  // namespace qv
QV_EXPORT_END
