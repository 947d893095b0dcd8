// The panorama texture(s) on the sphere of radius 20, as the sphere, stereo and cylinder layouts draw them:
// a still image or single video texture whole (with an optional texture matrix, e.g. one half of over-under
// content), or a texture pair as two half spheres. Leaves the texture matrix as identity or as given.
#pragma once

#include <GLES/gl.h>

#include "qv/glu/Quadric.h"
#include "qv/render/FrameSnapshot.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

// A single texture without a texture matrix is laid as the frame's layout says: the picture's part that
// holds `eye` (0 left, 1 right; a mono view shows the left eye) over the covered area, turned by the pose.
void drawPanorama(const FrameSnapshot& frame, GLUquadric* sphere, const GLfloat* singleTextureMatrix,
                  int eye = 0);

// Loads `matrix` (column-major) as the texture matrix, or the identity for nullptr; model-view mode after.
void loadTextureMatrix(const GLfloat* matrix);

// Disables the texture targets of the panorama slots (the renderers' tidy-up).
void disablePanoramaTargets(const FrameSnapshot& frame);

}  // namespace qv
QV_EXPORT_END
