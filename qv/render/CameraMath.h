// Camera helpers shared by the view's camera composition and the layouts that set up their own camera.
#pragma once

#include <GLES/gl.h>

#include "qv/core/Rotation.h"
#include "qv/render/FrameSnapshot.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

// The device rotation as a column-major GL matrix: row i, column j lands at [4j + i].
void deviceGLMatrix(const RotationMatrix& m, GLfloat out[16]);

// The legacy projection: the whole view, the field of view, near 1 and far 1000 (projection matrix mode
// current afterwards).
void loadFarPerspective(const FrameSnapshot& frame);

}  // namespace qv
QV_EXPORT_END
