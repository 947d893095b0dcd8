// A part of the panorama sphere (radius 20, as the sphere layouts draw it) with a texture rectangle stretched
// over it: how a picture that covers only part of the sphere, or one tile of a large picture, is drawn.
// The patch's vertices lie on the sphere quadric's grid lines (60 x 60 over the whole sphere) plus the
// patch's own edges, so patches that share an edge share its vertices and meet without cracks.
// Main thread, GL lock held, shared context current; the texture is bound by the caller.
#pragma once

#include "qv/os/PanoramaLayout.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

// `area` is the part of the whole equirectangular panorama to cover (as the sphere quadric lays a whole
// panorama on the sphere: x = 0 at texture s = 0, y = 0 at texture t = 0); `texture` is the rectangle of the
// bound texture's coordinates drawn over it (its left edge at the area's left edge, and so on; a reversed
// rectangle mirrors). An empty area draws nothing.
void drawSpherePatch(const PanoramaArea& area, const PanoramaArea& texture);

}  // namespace qv
QV_EXPORT_END
