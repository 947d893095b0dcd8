// The raw-frame texture on the sphere from explicit angles (radians), with the legacy projection. Offered to
// hosts that steer the camera themselves; no layout of the view selects it.
#pragma once

#include "qv/render/FrameSnapshot.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class SceneQuadrics;

void renderRawFrame(const FrameSnapshot& frame, const SceneQuadrics& quadrics, double pitch, double roll);

}  // namespace qv
QV_EXPORT_END
