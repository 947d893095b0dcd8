// Side-by-side stereo for headset viewers: each eye is the sphere frame drawn into its half of the view.
// Both eyes share one camera; the depth comes from over-under content (upper half of a video frame to the
// left eye, lower half to the right). A headset is steered by the device, so the pair follows its attitude
// even in touch navigation.
#pragma once

#include "qv/render/SceneRenderer.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class StereoPairRenderer : public SceneRenderer {
 public:
  RendererTraits traits() const override { return {.eyes = 2, .autoLevels = true, .drawsOverlays = true}; }
  std::optional<CameraPass> cameraPass(const FrameSnapshot& frame, int eye) const override;
  void draw(const FrameSnapshot& frame, int eye, const SceneQuadrics& quadrics) override;
};

}  // namespace qv
QV_EXPORT_END
