#include "qv/render/PanoramaDrawing.h"

#include <algorithm>
#include <span>

#include "qv/os/GLES.h"
#include "qv/render/SpherePatch.h"

namespace qv {

namespace {

constexpr GLfloat kSphereRadius = 20.0f;
constexpr GLint kSphereSlices = 60, kSphereStacks = 60;

// Only the sign of the y coefficient matters: points with y <= 0 in the sphere's frame stay.
constexpr GLfloat kHalfPanoramaPlane[4] = {0, -1.875f, 0, 0};

void loadHalfPanoramaTextureMatrix() {
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  glScalef(2, 1, 1);
  glTranslatef(-0.25f, 0, 0);  // s' = 2s - 0.5: the sphere's s from 0.25 to 0.75 shows the whole texture
  glMatrixMode(GL_MODELVIEW);
}

void bind(TextureSlot slot) {
  glEnable(slot.target);
  glBindTexture(slot.target, slot.name);
}

// Whether a single texture is drawn as a patch of the sphere rather than as the whole quadric.
bool drawnAsPatch(const PanoramaLayout& layout) {
  return layout.projection == PanoramaProjection::Equirectangular &&
         (layout.stereo != StereoPacking::Mono || !layout.area.whole() || layout.poseYaw != 0 ||
          layout.posePitch != 0 || layout.poseRoll != 0);
}

// Where rectangle `r` of a space lands when that space's rectangle `from` is stretched over `to`.
PanoramaArea mapArea(const PanoramaArea& r, const PanoramaArea& from, const PanoramaArea& to) {
  auto x = [&](double v) {
    return to.left + (v - from.left) / (from.right - from.left) * (to.right - to.left);
  };
  auto y = [&](double v) {
    return to.top + (v - from.top) / (from.bottom - from.top) * (to.bottom - to.top);
  };
  return {x(r.left), y(r.top), x(r.right), y(r.bottom)};
}

// Draws the pieces of a picture (the whole of it in one texture, or its tiles) as the layout lays it out:
// this eye's part of a stereo picture, over the area of the sphere it covers, turned by the picture's pose
// (heading about the sphere's polar axis, then pitch and roll).
void drawLaidOut(const PanoramaLayout& layout, int eye, std::span<const PanoramaTile> pieces) {
  loadTextureMatrix(nullptr);
  glPushMatrix();
  glRotatef(GLfloat(layout.poseYaw), 0, 0, 1);
  glRotatef(GLfloat(layout.posePitch), 1, 0, 0);
  glRotatef(GLfloat(-layout.poseRoll), 0, 1, 0);  // yaw 0 looks along -y: a clockwise roll turns about -y
  const PanoramaArea eyeArea = stereoEyeArea(layout.stereo, eye == 1);
  for (const PanoramaTile& piece : pieces) {
    const PanoramaArea shown{std::max(piece.area.left, eyeArea.left), std::max(piece.area.top, eyeArea.top),
                             std::min(piece.area.right, eyeArea.right),
                             std::min(piece.area.bottom, eyeArea.bottom)};
    if (!(shown.left < shown.right) || !(shown.top < shown.bottom)) continue;
    bind(piece.texture);
    drawSpherePatch(mapArea(shown, eyeArea, layout.area), mapArea(shown, piece.area, piece.textureRect));
  }
  glPopMatrix();
}

// A picture in one texture, as a single piece.
PanoramaTile wholePicture(TextureSlot texture) {
  return {texture, PanoramaArea{}, PanoramaArea{}};
}

}  // namespace

void loadTextureMatrix(const GLfloat* matrix) {
  glMatrixMode(GL_TEXTURE);
  if (matrix) {
    glLoadMatrixf(matrix);
  } else {
    glLoadIdentity();
  }
  glMatrixMode(GL_MODELVIEW);
}

void disablePanoramaTargets(const FrameSnapshot& frame) {
  for (const PanoramaTile& tile : frame.tiles) glDisable(tile.texture.target);
  if (!frame.first.empty()) glDisable(frame.first.target);
  if (!frame.second.empty()) glDisable(frame.second.target);
}

void drawPanorama(const FrameSnapshot& frame, GLUquadric* sphere, const GLfloat* singleTextureMatrix,
                  int eye) {
  if (!sphere) return;  // quadrics could not be made: this frame has no panorama
  const TextureSlot first = frame.first, second = frame.second;
  if (!frame.hasAsset || frame.picking) {
    if (!frame.tiles.empty() && !frame.picking) {
      // A picture still arriving: its preview in the first slot, the finished tiles over it (no depth
      // test is on here, so the later draw wins where they overlap).
      if (!first.empty()) {
        const PanoramaTile whole = wholePicture(first);
        drawLaidOut(frame.layout, eye, {&whole, 1});
      }
      drawLaidOut(frame.layout, eye, frame.tiles);
    } else if (!first.empty() && !frame.picking) {
      const PanoramaTile whole = wholePicture(first);
      if (drawnAsPatch(frame.layout)) return drawLaidOut(frame.layout, eye, {&whole, 1});
      bind(first);
      loadTextureMatrix(nullptr);
      qvglSphere(sphere, kSphereRadius, kSphereSlices, kSphereStacks);
    }
    return;
  }
  if (!first.empty() && second.empty()) {
    const PanoramaTile whole = wholePicture(first);
    if (!singleTextureMatrix && drawnAsPatch(frame.layout))
      return drawLaidOut(frame.layout, eye, {&whole, 1});
    bind(first);
    loadTextureMatrix(singleTextureMatrix);
    qvglSphere(sphere, kSphereRadius, kSphereSlices, kSphereStacks);
    return;
  }
  if (!first.empty() && !second.empty()) {
    bind(first);
    loadHalfPanoramaTextureMatrix();
    glClipPlanef(GL_CLIP_PLANE0, kHalfPanoramaPlane);
    glEnable(GL_CLIP_PLANE0);
    qvglSphere(sphere, kSphereRadius, kSphereSlices, kSphereStacks);
    glDisable(GL_CLIP_PLANE0);
  }
  if (!second.empty()) {
    bind(second);
    glMatrixMode(GL_MODELVIEW);
    glRotatef(180, 0, 0, 1);
    loadHalfPanoramaTextureMatrix();
    // Given after the turn, so the plane turns with the sphere and this draw covers the other half.
    glClipPlanef(GL_CLIP_PLANE1, kHalfPanoramaPlane);
    glEnable(GL_CLIP_PLANE1);
    qvglSphere(sphere, kSphereRadius, kSphereSlices, kSphereStacks);
    glDisable(GL_CLIP_PLANE1);
  }
}

}  // namespace qv
