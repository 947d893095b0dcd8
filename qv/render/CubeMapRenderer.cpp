#include "qv/render/CubeMapRenderer.h"

#include "qv/render/PanoramaDrawing.h"

namespace qv {

std::optional<CameraPass> CubeMapRenderer::cameraPass(const FrameSnapshot& frame, int) const {
  return monoCameraPass(frame);
}

void CubeMapRenderer::draw(const FrameSnapshot& frame, int, const SceneQuadrics&) {
  drawEye(frame, 0);
}

void CubeMapRenderer::drawEye(const FrameSnapshot& frame, int eye) {
  const TextureSlot texture = frame.first, second = frame.second;
  if (texture.empty() || frame.picking) return;
  // A pair whose sizes are not known is taken as two equal halves.
  const bool sized = texture.width > 0 && !second.empty() && second.width > 0;
  const int32_t secondWidth = second.empty() ? 0 : sized ? second.width : -2;
  // Over-under content (view mode 4) packs its eyes top and bottom even where the layout says mono.
  StereoPacking packing = frame.layout.stereo;
  if (packing == StereoPacking::Mono && frame.stereomode == 1) packing = StereoPacking::TopBottom;
  const PanoramaArea eyeArea = packedEyeArea(packing, eye);

  CachedMesh& cached = meshes_[eye == 1 ? 1 : 0];
  if (!(cached.layout == frame.layout) || cached.textureWidth != texture.width ||
      cached.textureHeight != texture.height || cached.secondWidth != secondWidth ||
      !(cached.eyeArea == eyeArea)) {
    cached.layout = frame.layout;
    cached.textureWidth = texture.width;
    cached.textureHeight = texture.height;
    cached.secondWidth = secondWidth;
    cached.eyeArea = eyeArea;
    const int32_t width = sized ? texture.width + secondWidth : second.empty() ? texture.width : 0;
    cached.mesh = buildCubeMapMesh(frame.layout, width, texture.height, eyeArea);
    cached.halves = {};
    if (!second.empty()) {
      cached.halves = splitCubeMapMesh(cached.mesh, sized ? double(texture.width) / width : 0.5);
    }
  }
  loadTextureMatrix(nullptr);
  if (second.empty()) {
    glEnable(texture.target);
    glBindTexture(texture.target, texture.name);
    drawCubeMapMesh(cached.mesh);
    return;
  }
  for (int half = 0; half < 2; ++half) {
    const TextureSlot slot = half == 0 ? texture : second;
    glEnable(slot.target);
    glBindTexture(slot.target, slot.name);
    drawCubeMapMesh(cached.halves[size_t(half)]);
  }
}

}  // namespace qv
