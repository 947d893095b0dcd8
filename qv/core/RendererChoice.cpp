#include "qv/core/RendererChoice.h"

RendererChoice chooseRenderer(int32_t videoMode, bool isStereo, bool legacy) {
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
  }
  return "unknown";
}
