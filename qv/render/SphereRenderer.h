// The mono panorama layout: the current texture on the inside of a sphere of radius 20 around the camera.
// Over-under content on the single-texture video path shows its upper half.
#pragma once

#include "qv/render/SceneRenderer.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class SphereRenderer : public SceneRenderer {
 public:
  RendererTraits traits() const override { return {.eyes = 1, .autoLevels = true, .drawsOverlays = true}; }
  std::optional<CameraPass> cameraPass(const FrameSnapshot& frame, int eye) const override;
  void draw(const FrameSnapshot& frame, int eye, const SceneQuadrics& quadrics) override;
};

}  // namespace qv
QV_EXPORT_END
