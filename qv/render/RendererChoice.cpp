#include "qv/render/RendererChoice.h"

#include "qv/render/CubeMapRenderer.h"
#include "qv/render/CubeMapStereoRenderer.h"
#include "qv/render/CylinderRenderer.h"
#include "qv/render/FlatRenderer.h"
#include "qv/render/LegacyRenderer.h"
#include "qv/render/SphereRenderer.h"
#include "qv/render/StereoPairRenderer.h"

namespace qv {

namespace {

RendererChoice chooseEquirectangular(int32_t videoMode, bool isStereo, bool legacy) {
  if (legacy) return {RendererKind::Legacy, false, 0};
  switch (videoMode) {
    case 0:
      return isStereo ? RendererChoice{RendererKind::StereoPair, true, 0}
                      : RendererChoice{RendererKind::Sphere};
    case 1:
      return isStereo ? RendererChoice{RendererKind::StereoPair, true, 0}
                      : RendererChoice{RendererKind::Flat};
    case 2:
      return isStereo ? RendererChoice{RendererKind::StereoPair, true, 0}
                      : RendererChoice{RendererKind::Cylinder};
    case 3:
      return {RendererKind::StereoPair, true, 0};
    case 4:
      return {isStereo ? RendererKind::StereoPair : RendererKind::Sphere, true, 1};
    default:
      return {RendererKind::None, false, 0};
  }
}

}  // namespace

RendererChoice chooseRenderer(int32_t videoMode, bool isStereo, bool legacy, PanoramaProjection projection) {
  RendererChoice choice = chooseEquirectangular(videoMode, isStereo, legacy);
  choice.kind = rendererForProjection(choice.kind, projection);
  return choice;
}

RendererKind rendererForProjection(RendererKind kind, PanoramaProjection projection) {
  if (projection == PanoramaProjection::Equirectangular) return kind;
  switch (kind) {
    case RendererKind::Sphere:
    case RendererKind::Cylinder:
      return RendererKind::CubeMap;
    case RendererKind::StereoPair:
      return RendererKind::CubeMapStereo;
    default:
      return kind;
  }
}

std::string_view rendererName(RendererKind kind) {
  switch (kind) {
    case RendererKind::None:
      return "none";
    case RendererKind::Sphere:
      return "sphere";
    case RendererKind::Flat:
      return "flat";
    case RendererKind::Cylinder:
      return "cylinder";
    case RendererKind::StereoPair:
      return "stereo";
    case RendererKind::Legacy:
      return "legacy";
    case RendererKind::CubeMap:
      return "cubemap";
    case RendererKind::CubeMapStereo:
      return "cubemap stereo";
  }
  return "unknown";
}

std::unique_ptr<SceneRenderer> makeSceneRenderer(RendererKind kind) {
  switch (kind) {
    case RendererKind::Sphere:
      return std::make_unique<SphereRenderer>();
    case RendererKind::Flat:
      return std::make_unique<FlatRenderer>();
    case RendererKind::Cylinder:
      return std::make_unique<CylinderRenderer>();
    case RendererKind::StereoPair:
      return std::make_unique<StereoPairRenderer>();
    case RendererKind::Legacy:
      return std::make_unique<LegacyRenderer>();
    case RendererKind::CubeMap:
      return std::make_unique<CubeMapRenderer>();
    case RendererKind::CubeMapStereo:
      return std::make_unique<CubeMapStereoRenderer>();
    case RendererKind::None:
      break;
  }
  return nullptr;
}

}  // namespace qv
