#include "qv/render/FlatRenderer.h"

#include "qv/glu/Projection.h"
#include "qv/os/GLES.h"
#include "qv/render/ContentLayout.h"

namespace qv {

namespace {

// The first row of the frame at the top edge of the quad (corners bottom left, bottom right, top left, top
// right); then the same picture turned 90, 180 and 270 degrees counter-clockwise, as a display matrix asks.
constexpr GLfloat kQuadTexCoords[4][8] = {
    {0, 1, 1, 1, 0, 0, 1, 0},
    {0, 0, 0, 1, 1, 0, 1, 1},
    {1, 0, 0, 0, 1, 1, 0, 1},
    {1, 1, 1, 0, 0, 1, 0, 0},
};

void drawQuad(TextureSlot slot, GLfloat left, GLfloat right, GLfloat y0, GLfloat y1, int32_t rotation = 0) {
  const GLfloat vertices[12] = {left, y0, 0, right, y0, 0, left, y1, 0, right, y1, 0};
  glEnable(slot.target);
  glBindTexture(slot.target, slot.name);
  glVertexPointer(3, GL_FLOAT, 0, vertices);
  glTexCoordPointer(2, GL_FLOAT, 0, kQuadTexCoords[((rotation / 90) % 4 + 4) % 4]);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  glDisable(slot.target);
}

// One tile of a still picture at its place in the picture's quad (the first row at the top edge).
void drawTile(const PanoramaTile& tile, GLfloat left, GLfloat right, GLfloat y0, GLfloat y1) {
  const PanoramaArea& a = tile.area;
  const PanoramaArea& t = tile.textureRect;
  const GLfloat width = right - left, height = y1 - y0;
  const GLfloat x0 = left + GLfloat(a.left) * width, x1 = left + GLfloat(a.right) * width;
  const GLfloat top = y1 - GLfloat(a.top) * height, bottom = y1 - GLfloat(a.bottom) * height;
  const GLfloat vertices[12] = {x0, bottom, 0, x1, bottom, 0, x0, top, 0, x1, top, 0};
  const GLfloat texCoords[8] = {GLfloat(t.left), GLfloat(t.bottom), GLfloat(t.right), GLfloat(t.bottom),
                                GLfloat(t.left), GLfloat(t.top),    GLfloat(t.right), GLfloat(t.top)};
  glEnable(tile.texture.target);
  glBindTexture(tile.texture.target, tile.texture.name);
  glVertexPointer(3, GL_FLOAT, 0, vertices);
  glTexCoordPointer(2, GL_FLOAT, 0, texCoords);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  glDisable(tile.texture.target);
}

}  // namespace

void FlatRenderer::draw(const FrameSnapshot& frame, int, const SceneQuadrics&) {
  const bool single = frame.second.empty();
  const bool quarterTurn = single && frame.displayRotation % 180 != 0 && frame.videoAspect > 0;
  const FlatLetterboxInput in{.viewWidth = frame.viewWidth,
                              .viewHeight = frame.viewHeight,
                              .screenWidth = frame.screenWidth,
                              .screenHeight = frame.screenHeight,
                              .systemVersion = frame.systemVersion,
                              .interfaceOrientation = frame.interfaceOrientation,
                              // A quarter turn shows the picture's height across.
                              .videoAspect = quarterTurn ? 1 / frame.videoAspect : frame.videoAspect,
                              .secondTexture = !frame.second.empty()};
  const FlatLetterbox box = flatLetterbox(in);

  glViewport(0, 0, box.width, box.height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  qvglOrtho2D(0, GLfloat(box.width), 0, box.top);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();

  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  if (!frame.hasAsset) {
    // A still picture, whole in the letterbox: its one texture, or its tiles over its preview while it
    // arrives; nothing at all: black.
    const GLfloat right = GLfloat(box.firstRight);
    if (!frame.first.empty()) drawQuad(frame.first, 0, right, box.y0, box.y1);
    for (const PanoramaTile& tile : frame.tiles) drawTile(tile, 0, right, box.y0, box.y1);
  } else {
    if (!frame.first.empty())
      drawQuad(frame.first, 0, GLfloat(box.firstRight), box.y0, box.y1, single ? frame.displayRotation : 0);
    if (!frame.second.empty())
      drawQuad(frame.second, GLfloat(box.width / 2), GLfloat(box.width), box.y0, box.y1);
  }
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
}

}  // namespace qv
