// The mono panorama layout for cube-map pictures (3x2, equi-angular, 6x1): the faces laid on the inside of
// the sphere of radius 20, so the blind spot and the hotspots sit on the scene as on the equirectangular
// sphere. A stereo-packed cube map shows its left eye. The picture is the first texture slot, or, as for
// every layout, the first and second slots as its left and right halves (a side-by-side stereo picture
// delivered as each eye's texture is one such pair). The faces' mesh is kept between frames and built
// again only when the layout or the texture sizes change.
#pragma once

#include <array>
#include <cstdint>

#include "qv/render/CubeMapMesh.h"
#include "qv/render/SceneRenderer.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class CubeMapRenderer : public SceneRenderer {
 public:
  RendererTraits traits() const override { return {.eyes = 1, .autoLevels = true, .drawsOverlays = true}; }
  std::optional<CameraPass> cameraPass(const FrameSnapshot& frame, int eye) const override;
  void draw(const FrameSnapshot& frame, int eye, const SceneQuadrics& quadrics) override;

 protected:
  // Draws the given eye's part of the frame's cube map (nothing in a picking pass).
  void drawEye(const FrameSnapshot& frame, int eye);

 private:
  struct CachedMesh {
    PanoramaLayout layout;
    int32_t textureWidth = -1, textureHeight = -1;
    int32_t secondWidth = -1;  // pixels; 0 when the picture is one texture, -2 a pair of unknown sizes
    PanoramaArea eyeArea;
    CubeMapMesh mesh;                   // the whole picture's, for one texture
    std::array<CubeMapMesh, 2> halves;  // for a texture pair: the first texture's part, the second's
  };
  std::array<CachedMesh, 2> meshes_;  // one per eye
};

}  // namespace qv
QV_EXPORT_END
