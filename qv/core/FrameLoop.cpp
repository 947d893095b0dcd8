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
  hitpoint[0] = x;
  hitpoint[1] = y;
  hittest = true;
}

void FrameLoop::drawView(Layer& layer) {
  GLUploadPriority::yieldToUploads(kUploadPriorityLimit);
  bool imagePending;
  {
    std::lock_guard<std::mutex> guard(parts_.input.lock());
    if (parts_.settings.bHitOnFocus) {
      // Focus picking samples the centre of the view (of the left eye in stereo).
      double w = viewWidth_;
      if (parts_.settings.isStereo) w *= 0.5;
      requestPick(w * 0.5, viewHeight_ * 0.5);
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
      // A picking pass is never presented. The pixel is zeroed first so that a point outside the
      // framebuffer (or an incomplete one) reads as nothing rather than as stale memory.
      uint8_t pixel[4] = {0, 0, 0, 0};
      GLint x = GLint(std::trunc(hitpoint[0]));
      GLint y = GLint(std::trunc(viewHeight_ - hitpoint[1]));
      bool inside = x >= 0 && y >= 0 && x < parts_.drawable.width() && y < parts_.drawable.height();
      if (inside) {
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
      }
      if (inside && hotspotsDrawn)
        parts_.hotspots.dispatchPick(pixel[0], pixel[1], pixel[2], parts_.settings.bHitOnFocus);
    } else {
      layer.presentRenderbuffer(GL_RENDERBUFFER_OES);
    }
  }
  hittest = false;
}

void FrameLoop::drawScene() {
  const RotationMatrix device = parts_.motion.sample(Environment::current().deviceOrientation());
  const ViewSettings& s = parts_.settings;
  drawLayout(chooseRenderer(s._videoMode, s.isStereo, s.legacy).kind, device);
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
  frame.first = parts_.input.first();
  frame.second = parts_.input.second();
  frame.rawTexture = parts_.input.rawTexture();
  frame.viewWidth = viewWidth_;
  frame.viewHeight = viewHeight_;
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
  SceneRenderer* r = renderer(kind);
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
