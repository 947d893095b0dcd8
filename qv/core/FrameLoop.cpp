#include "qv/core/FrameLoop.h"

#include <chrono>
#include <cmath>

#include "qv/core/ViewDrawable.h"
#include "qv/core/ViewSettings.h"
#include "qv/glu/Projection.h"
#include "qv/hotspots/HotspotLayer.h"
#include "qv/media/FrameInput.h"
#include "qv/navigation/DeviceMotionNavigator.h"
#include "qv/navigation/TouchNavigator.h"
#include "qv/navigation/YawDivisor.h"
#include "qv/os/Environment.h"
#include "qv/os/GLES.h"
#include "qv/os/Image.h"
#include "qv/os/Layer.h"
#include "qv/platform/GLUploadPriority.h"
#include "qv/platform/QVContext.h"
#include "qv/render/BlindSpotDisk.h"
#include "qv/render/FrameSnapshot.h"
#include "qv/render/RawFrameRenderer.h"
#include "qv/render/SceneRenderer.h"

namespace qv {

namespace {
// How long a frame waits at most for announced uploads: about one video frame period.
constexpr std::chrono::milliseconds kUploadPriorityLimit{30};

void drainGLErrors() {
  while (glGetError() != GL_NO_ERROR) {
  }
}
}  // namespace

FrameLoop::FrameLoop(Parts parts) : parts_(parts) {}
FrameLoop::~FrameLoop() = default;

void FrameLoop::requestPick(double x, double y) {
  hitpoints_[0] = {x, y};
  hitpointCount_ = 1;
  hittest = true;
}

void FrameLoop::requestFocusPick() {
  // Focus rests on what lies at the centre of each eye: of the view, or of both halves of a pair.
  const ViewSettings& s = parts_.settings;
  const bool paired = chooseRenderer(s._videoMode, s.isStereo, s.legacy).kind == RendererKind::StereoPair;
  if (paired) {
    hitpoints_[0] = {viewWidth_ * 0.25, viewHeight_ * 0.5};
    hitpoints_[1] = {viewWidth_ * 0.75, viewHeight_ * 0.5};
    hitpointCount_ = 2;
  } else {
    hitpoints_[0] = {viewWidth_ * 0.5, viewHeight_ * 0.5};
    hitpointCount_ = 1;
  }
  hittest = true;
}

void FrameLoop::drawView(Layer& layer) {
  GLUploadPriority::yieldToUploads(kUploadPriorityLimit);
  bool imagePending;
  {
    std::lock_guard<std::mutex> guard(parts_.input.lock());
    if (parts_.settings.bHitOnFocus) {
      requestFocusPick();
      drawFunction(layer);
    }
    imagePending = parts_.input.hasPendingImage();
    if (!imagePending) drawFunction(layer);
  }
  if (imagePending) parts_.input.setImage(parts_.input.takePendingImage());
}

void FrameLoop::drawFunction(Layer& layer) {
  SharedContextScope scope;
  if (scope.ok()) {
    hotspotsDrawn = false;
    oes::glBindFramebufferOES(GL_FRAMEBUFFER_OES, parts_.drawable.framebuffer());
    drainGLErrors();
    drawScene();
    drainGLErrors();
    oes::glBindRenderbufferOES(GL_RENDERBUFFER_OES, parts_.drawable.renderbuffer());
    drainGLErrors();
    if (hittest) {
      readPick();
    } else {
      layer.presentRenderbuffer(GL_RENDERBUFFER_OES);
    }
  }
  hittest = false;
}

void FrameLoop::readPick() {
  // A picking pass is never presented. Pick points are view points; the drawable is in pixels, so they are
  // scaled by the drawable's own ratio to the view (the screen's scale). A point outside the framebuffer
  // reads as nothing rather than as stale memory.
  const double sx = viewWidth_ > 0 ? parts_.drawable.width() / viewWidth_ : 1.0;
  const double sy = viewHeight_ > 0 ? parts_.drawable.height() / viewHeight_ : 1.0;
  std::array<HotspotLayer::PickColour, 2> colours;
  size_t read = 0;
  for (size_t i = 0; i < hitpointCount_; ++i) {
    GLint x = GLint(std::trunc(hitpoints_[i][0] * sx));
    GLint y = GLint(std::trunc((viewHeight_ - hitpoints_[i][1]) * sy));
    if (x < 0 || y < 0 || x >= parts_.drawable.width() || y >= parts_.drawable.height()) continue;
    uint8_t pixel[4] = {0, 0, 0, 0};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    colours[read++] = {pixel[0], pixel[1], pixel[2]};
  }
  const bool focusMode = parts_.settings.bHitOnFocus;
  if (read > 0 && hotspotsDrawn) {
    parts_.hotspots.dispatchPick(std::span(colours.data(), read), focusMode);
  } else if (focusMode) {
    // Nothing under the focus point can be a hotspot (the layout draws none, or the point is outside).
    parts_.hotspots.endFocus();
  }
}

void FrameLoop::drawScene() {
  const RotationMatrix device = parts_.motion.sample(Environment::current().deviceOrientation());
  const ViewSettings& s = parts_.settings;
  drawLayout(chooseRenderer(s._videoMode, s.isStereo, s.legacy, s.panoramaLayout.projection).kind, device);
}

FrameSnapshot FrameLoop::snapshot(const RotationMatrix& device) const {
  const ViewSettings& s = parts_.settings;
  const Environment& env = Environment::current();
  FrameSnapshot frame;
  frame.device = device;
  // The device steers only once its motion source has delivered; until then (no sensor, or one that never
  // reports) the frame navigates by touch, as touch-only navigation does.
  frame.deviceSteers = parts_.motion.hasDelivered();
  frame.motionNavigation = s.navigationMode == 0 && frame.deviceSteers;
  frame.accelerometerMode = parts_.motion.accelerometerMode();
  frame.compassHeading = parts_.motion.compassHeading();
  frame.fieldOfView = s.fieldofview;
  frame.viewRotation = s.viewRotation;
  frame.interfaceOrientation = s.interfaceOrientation;
  frame.deviceOrientation = env.deviceOrientation();
  frame.touchYaw = parts_.touch.yawOffset();
  frame.touchPitch = parts_.touch.pitchOffset();
  frame.yawDivisor = yawDivisor(500, viewHeight_);
  frame.legacyYawDivisor = yawDivisor(250, viewHeight_);
  frame.videoMode = s._videoMode;
  frame.videoAspect = s._videoAspect;
  frame.stereomode = stereomode;
  frame.hasAsset = s.hasAsset;
  frame.layout = s.panoramaLayout;
  frame.displayRotation = s.displayRotation;
  frame.first = parts_.input.first();
  frame.second = parts_.input.second();
  frame.rawTexture = parts_.input.rawTexture();
  // GL works in pixels: the drawable's size (the view's points times the screen's scale).
  const bool built = parts_.drawable.width() > 0 && parts_.drawable.height() > 0;
  frame.viewWidth = built ? parts_.drawable.width() : viewWidth_;
  frame.viewHeight = built ? parts_.drawable.height() : viewHeight_;
  frame.tiles = parts_.input.tiles(frame.fieldOfView, frame.viewHeight);
  const QVRect screen = env.screenBounds();
  frame.screenWidth = screen.width;
  frame.screenHeight = screen.height;
  frame.systemVersion = env.systemVersion();
  frame.picking = hittest;
  return frame;
}

SceneRenderer* FrameLoop::renderer(RendererKind kind) {
  auto& slot = renderers_.at(size_t(kind));
  if (!slot) slot = makeSceneRenderer(kind);
  return slot.get();
}

void FrameLoop::drawLayout(RendererKind kind, const RotationMatrix& device, int eye) {
  const ViewSettings& s = parts_.settings;
  const RendererChoice choice = chooseRenderer(s._videoMode, s.isStereo, s.legacy);
  if (choice.setsStereomode) stereomode = choice.stereomode;
  const FrameSnapshot frame = snapshot(device);

  // A pair is cleared once, or the right eye would wipe the left; an unknown layout presents black rather
  // than whatever the buffer held.
  if (eye < 0) clearFrame();
  // The host's explicit render calls name an equirectangular layout; a cube map draws it in its own.
  SceneRenderer* r = renderer(rendererForProjection(kind, s.panoramaLayout.projection));
  if (!r) return;
  quadrics_.ensure();
  const RendererTraits traits = r->traits();
  const int first = eye < 0 ? 0 : eye, last = eye < 0 ? traits.eyes - 1 : eye;
  for (int e = first; e <= last; ++e) {
    if (traits.autoLevels) parts_.touch.autoLevelIfDue();
    if (traits.usesTextureCache) parts_.input.ensureTextureCache();
    float sceneYaw = 0;
    if (auto pass = r->cameraPass(frame, e)) {
      if (usesMotionBranch(frame, *pass)) rig_.calibrateYaw(frame.interfaceOrientation);
      const CameraComposition camera = composeCamera(frame, *pass, rig_.yawBase());
      rig_.keep(camera);
      unprojectHitPoint();
      sceneYaw = camera.sceneYaw;
    }
    r->draw(frame, e, quadrics_);
    if (traits.drawsOverlays) drawOverlays(frame, sceneYaw);
  }
  leaveStateAsFound();
}

void FrameLoop::drawRawFrame(double pitch, double roll) {
  quadrics_.ensure();
  renderRawFrame(snapshot(RotationMatrix{}), quadrics_, pitch, roll);
  leaveStateAsFound();
}

void FrameLoop::drawOverlays(const FrameSnapshot& frame, float sceneYaw) {
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  parts_.blindSpot.draw(sceneYaw, frame.picking, quadrics_.disk());
  glGetError();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  if (parts_.hotspots.draw(frame.picking, sceneYaw)) hotspotsDrawn = true;
  glGetError();
}

void FrameLoop::unprojectHitPoint() {
  if (hitX == -1) return;
  GLfloat model[16], projection[16], x, y, z;
  GLint viewport[4];
  glGetFloatv(GL_MODELVIEW_MATRIX, model);
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  glGetIntegerv(GL_VIEWPORT, viewport);
  qvglUnProject(GLfloat(hitX), GLfloat(viewport[3] - hitY), 1.0f, model, projection, viewport, &x, &y, &z);
  hitX = -1;
}

void FrameLoop::leaveStateAsFound() {
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glBindTexture(GL_TEXTURE_2D, 0);
  glDisable(GL_TEXTURE_2D);
  glColor4f(1, 1, 1, 1);
}

}  // namespace qv
