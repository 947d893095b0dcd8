#include "qv/render/PanoramaDrawing.h"

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

void drawPanorama(const FrameSnapshot& frame, GLUquadric* sphere, const GLfloat* singleTextureMatrix) {
  if (!sphere) return;  // quadrics could not be made: this frame has no panorama
  const TextureSlot first = frame.first, second = frame.second;
  if (!frame.hasAsset || frame.picking) {
    if (!frame.tiles.empty() && !frame.picking) {
      loadTextureMatrix(nullptr);
      for (const PanoramaTile& tile : frame.tiles) {
        bind(tile.texture);
        drawSpherePatch(tile.area, tile.textureRect);
      }
    } else if (!first.empty() && !frame.picking) {
      bind(first);
      loadTextureMatrix(nullptr);
      qvglSphere(sphere, kSphereRadius, kSphereSlices, kSphereStacks);
    }
    return;
  }
  if (!first.empty() && second.empty()) {
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
