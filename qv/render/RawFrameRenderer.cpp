#include "qv/render/RawFrameRenderer.h"

#include <cmath>

#include "qv/glu/Projection.h"
#include "qv/os/GLES.h"
#include "qv/render/CameraMath.h"
#include "qv/render/PanoramaDrawing.h"
#include "qv/render/SceneQuadrics.h"
#include "qv/render/SceneRenderer.h"

namespace qv {

void renderRawFrame(const FrameSnapshot& frame, const SceneQuadrics& quadrics, double pitch, double roll) {
  if (frame.rawTexture == 0) return;
  clearFrame();

  loadFarPerspective(frame);
  qvglLookAt(0, 0, 0, 0, -1, 0, 1, 0, 0);  // from the centre of the sphere, as the main camera

  glMatrixMode(GL_MODELVIEW);
  glColor4f(1, 1, 1, 1);
  glEnable(GL_TEXTURE_2D);
  glLoadIdentity();
  glRotatef(float(roll * 180.0 / M_PI + 90.0), 0, 0, 1);
  glRotatef(float(pitch * 180.0 / M_PI - 90.0), 0, 1, 0);

  loadTextureMatrix(nullptr);
  glBindTexture(GL_TEXTURE_2D, frame.rawTexture);
  if (quadrics.sphere()) qvglSphere(quadrics.sphere(), 20.0f, 60, 60);
  glDisable(GL_TEXTURE_2D);
}

}  // namespace qv
