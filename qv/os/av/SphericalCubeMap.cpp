#include "qv/os/av/SphericalCubeMap.h"

#include <cstdint>
#include <limits>

namespace qv {

bool applySphericalCubeMap(const AVSphericalMapping& mapping, PanoramaLayout& layout) {
  if (mapping.projection != AV_SPHERICAL_CUBEMAP) return false;
  if (mapping.padding > uint32_t(std::numeric_limits<int32_t>::max())) return false;
  layout.projection = PanoramaProjection::CubeMap3x2;
  layout.cubeFaces = CubeFaceOrientation::Metadata;
  layout.cubePadding = int32_t(mapping.padding);
  return true;
}

}  // namespace qv
