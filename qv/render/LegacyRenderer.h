// The layout of old system versions: the raw-frame texture on the sphere, with the older camera (far plane
// 1000, touch pitch arranged by how the device is held, half the yaw divisor) and no blind spot, hotspots or
// texture cache.
#pragma once

#include "qv/render/SceneRenderer.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class LegacyRenderer : public SceneRenderer {
 public:
  RendererTraits traits() const override {
    return {.eyes = 1, .autoLevels = false, .usesTextureCache = false, .drawsOverlays = false};
  }
  std::optional<CameraPass> cameraPass(const FrameSnapshot&, int) const override { return std::nullopt; }
  void draw(const FrameSnapshot& frame, int eye, const SceneQuadrics& quadrics) override;
};

}  // namespace qv
QV_EXPORT_END
