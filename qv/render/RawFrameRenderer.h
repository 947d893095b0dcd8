// The raw-frame texture on the sphere from explicit angles (radians), with the legacy projection. Offered to
// hosts that steer the camera themselves; no layout of the view selects it.
#pragma once

#include "qv/render/FrameSnapshot.h"

class SceneQuadrics;

void renderRawFrame(const FrameSnapshot& frame, const SceneQuadrics& quadrics, double pitch, double roll);
