// The video frame flat on the screen, letterboxed to the content's aspect ratio: one quad, or two side by
// side when the frame arrives as a texture pair. No camera, blind spot or hotspots.
#include "qv/core/QVViewGL.h"
#include "qv/glu/Projection.h"
#include "qv/os/Environment.h"
#include "qv/os/GLES.h"
#include "qv/render/ContentLayout.h"

namespace {

// The first row of the frame at the top edge of the quad.
constexpr GLfloat kQuadTexCoords[8] = {0, 1, 1, 1, 0, 0, 1, 0};

void drawQuad(GLenum target, GLuint name, GLfloat left, GLfloat right, GLfloat y0, GLfloat y1) {
  const GLfloat vertices[12] = {left, y0, 0, right, y0, 0, left, y1, 0, right, y1, 0};
  glEnable(target);
  glBindTexture(target, name);
  glVertexPointer(3, GL_FLOAT, 0, vertices);
  glTexCoordPointer(2, GL_FLOAT, 0, kQuadTexCoords);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

}  // namespace

void QVViewGL::renderSceneFlat(RotationMatrix) {
  ensureTextureCache();
  clearFrame();

  const Environment& env = Environment::current();
  const QVRect screen = env.screenBounds();
  const std::string version = env.systemVersion();
  FlatLetterboxInput in;
  in.viewWidth = frame_.width;
  in.viewHeight = frame_.height;
  in.screenWidth = screen.width;
  in.screenHeight = screen.height;
  in.systemVersion = version;
  in.interfaceOrientation = interfaceOrientation;
  in.videoAspect = _videoAspect;
  in.secondTexture = target2 != 0;
  const FlatLetterbox box = flatLetterbox(in);

  glViewport(0, 0, box.width, box.height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  qvglOrtho2D(0, GLfloat(box.width), 0, box.top);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glDisable(GL_CULL_FACE);
  ensureQuadrics();
  glEnable(GL_TEXTURE_2D);

  if (!localasset) return;  // nothing to show: the frame stays black

  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  if (target1 != 0) drawQuad(target1, name1, 0, GLfloat(box.firstRight), box.y0, box.y1);
  if (target2 != 0) drawQuad(target2, name2, GLfloat(box.width / 2), GLfloat(box.width), box.y0, box.y1);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
  // A texture name of 0 means no texture: there is no target to disable either.
  if (target1 != 0) glDisable(target1);
  if (target2 != 0) glDisable(target2);
}
