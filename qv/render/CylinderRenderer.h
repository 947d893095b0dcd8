// Video on the inside of an open cylinder around the camera: the picture wraps once around the horizon and
// spans 30 units of height, its first row at the upper rim. There is no touch pitch; only the device tilts
// the view. Still images and texture pairs stay on the (shifted) sphere.
#pragma once

#include "qv/render/SceneRenderer.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class CylinderRenderer : public SceneRenderer {
 public:
  RendererTraits traits() const override { return {.eyes = 1, .autoLevels = false, .drawsOverlays = true}; }
  std::optional<CameraPass> cameraPass(const FrameSnapshot& frame, int eye) const override;
  void draw(const FrameSnapshot& frame, int eye, const SceneQuadrics& quadrics) override;
};

}  // namespace qv
QV_EXPORT_END
