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
  const TextureSlot texture = frame.first;
  if (texture.empty() || frame.picking) return;
  // Over-under content (view mode 4) packs its eyes top and bottom even where the layout says mono.
  StereoPacking packing = frame.layout.stereo;
  if (packing == StereoPacking::Mono && frame.stereomode == 1) packing = StereoPacking::TopBottom;
  const PanoramaArea eyeArea = packedEyeArea(packing, eye);

  CachedMesh& cached = meshes_[eye == 1 ? 1 : 0];
  if (!(cached.layout == frame.layout) || cached.textureWidth != texture.width ||
      cached.textureHeight != texture.height || !(cached.eyeArea == eyeArea)) {
    cached.layout = frame.layout;
    cached.textureWidth = texture.width;
    cached.textureHeight = texture.height;
    cached.eyeArea = eyeArea;
    cached.mesh = buildCubeMapMesh(frame.layout, texture.width, texture.height, eyeArea);
  }
  glEnable(texture.target);
  glBindTexture(texture.target, texture.name);
  loadTextureMatrix(nullptr);
  drawCubeMapMesh(cached.mesh);
}

}  // namespace qv
