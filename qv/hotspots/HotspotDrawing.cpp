#include "qv/hotspots/HotspotDrawing.h"

#include "qv/os/GLES.h"

namespace qv {

void billboardCheatSphericalBegin() {
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  GLfloat m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  for (int c = 0; c < 3; ++c)
    for (int r = 0; r < 3; ++r) m[4 * c + r] = c == r ? 1.0f : 0.0f;
  glLoadMatrixf(m);
}

void billboardEnd() {
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
}

uint32_t NextPOT(uint32_t v) {
  v--;
  v |= v >> 1;
  v |= v >> 2;
  v |= v >> 4;
  v |= v >> 8;
  v |= v >> 16;
  return v + 1;
}

}  // namespace qv
