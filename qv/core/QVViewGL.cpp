// Construction, teardown, the drawable, the frame timer and the simple setters of the view.
#include "qv/core/QVViewGL.h"

#include "qv/hotspots/QVHotspotImpl.h"
#include "qv/media/QVAsset.h"
#include "qv/navigation/HighpassFilter.h"
#include "qv/navigation/LowpassFilter.h"
#include "qv/os/GLES.h"
#include "qv/os/LocationManager.h"
#include "qv/os/MotionManager.h"
#include "qv/os/OffscreenLayer.h"
#include "qv/os/QVLog.h"
#include "qv/os/RunLoop.h"
#include "qv/os/TapRecognizer.h"
#include "qv/os/TextureCache.h"
#include "qv/platform/Base64String.h"
#include "qv/platform/QVContext.h"
#include "qv/platform/UIDeviceHardware.h"

namespace {

int32_t deviceCategoryForClass(int32_t modelClass) {
  switch (modelClass) {
    case 3:
    case 10:
      return 1;
    case 5:
    case 11:
      return 2;
    case 12:
      return 3;
    case 6:
    case 13:
    case 16:
      return 4;
    default:
      return 5;
  }
}

}  // namespace

std::shared_ptr<QVViewGL> QVViewGL::create(QVRect frame) {
  std::shared_ptr<QVViewGL> view(new QVViewGL(frame));
  if (!view->initWithFrame(frame)) return nullptr;
  return view;
}

QVViewGL::QVViewGL(QVRect frame) : textureUsageLock(QVContext::glLock()) {
  frame_ = frame;
  QVContext::attachView();
}

bool QVViewGL::initWithFrame(QVRect frame) {
  // The platform view: a layer of the frame's size at the screen's scale.
  layer_ = std::make_shared<OffscreenLayer>();
  layer_->setBounds(QVRect{0, 0, frame.width, frame.height});
  double scale = Environment::current().screenScale();
  layer_->setContentsScale(scale > 0 ? scale : 1.0);

  devicecategory = deviceCategoryForClass(UIDeviceHardware::platformClass());
  bHitOnFocus = false;
  blindspotrefresh = false;
  blindspotImage.reset();
  blindspotlocation = 0;
  xrotcalibrated = false;
  xrotationmodifier = 0;
  legacy = !QVContext::isiOS50();
  lastOrientation = 4;
  localasset.reset();
  delegate.reset();
  swipespeed = 0.75f;
  _videoMode = 0;
  navigationMode = 0;
  _videoAspect = 2.0f;
  rotateY = rotateZ = 0;
  hitX = hitY = -1;
  texId = 0;

  layer_->setOpaque(true);
  layer_->setDrawableProperties(false);

  gravityLpf = std::make_unique<LowpassFilter>(1.0);
  userAccelerationHpf = std::make_unique<HighpassFilter>(1000.0);
  userAccelerationHpfLpf = std::make_unique<LowpassFilter>(10.0);
  userAccelerationLpf = std::make_unique<LowpassFilter>(10.0);

  accelMode = false;
  locationManager.reset();
  motionManager = MotionManager::create();
  if (motionManager->isDeviceMotionAvailable()) {
    motionManager->startDeviceMotionUpdates();
  } else {
    accelMode = true;
    motionManager->startAccelerometerUpdates();
    locationManager = LocationManager::create();
    if (locationManager->isHeadingAvailable()) locationManager->startUpdatingHeading();
  }

  translationEnabled = false;
  animationInterval = 1.0 / 60.0;
  viewRotation = 0;
  fieldofview = 75.0f;
  maxUpAngle = maxDownAngle = 0;
  dealloccing = false;
  hittest = false;
  movetimer.reset();
  start = delta = 0;
  step = 30.0f;
  bAutolevel = true;
  fAutolevel = 2.5f;
  hotspotrotation = 0;
  return true;
}

QVViewGL::~QVViewGL() {
  dealloccing = true;
  halt();
  displayAsset(nullptr);
  {
    std::lock_guard<std::mutex> guard(textureUsageLock);
    if (qSphere) {
      qvglDeleteQuadric(qSphere);
      qvglDeleteQuadric(qSphere2);
      qvglDeleteQuadric(qDisk);
      qSphere = qSphere2 = qDisk = nullptr;
    }
    SharedContextScope scope;
    if (scope.ok()) {
      for (auto& hotspot : hotspots) hotspot->cleanup();
      if (texId) glDeleteTextures(1, &texId);
      if (texBlackspot) glDeleteTextures(1, &texBlackspot);
      texId = texBlackspot = 0;
      _videoTextureRef1.reset();
      _videoTextureRef2.reset();
      videoTextureCache.reset();
    }
    destroyFramebuffer();
    hotspots.clear();
  }
  QVContext::detachView();
  if (locationManager) {
    if (locationManager->isHeadingAvailable()) locationManager->stopUpdatingHeading();
    motionManager->stopAccelerometerUpdates();
  }
  if (motionManager->isDeviceMotionAvailable()) motionManager->stopDeviceMotionUpdates();
  motionManager.reset();
}

void QVViewGL::displayAsset(std::shared_ptr<QVAsset> asset) {
  if (localasset) localasset->setAssetListener({});
  localasset = std::move(asset);
  if (localasset) localasset->setAssetListener(weak_from_this());
}

void QVViewGL::clear() {
  {
    std::lock_guard<std::mutex> guard(textureUsageLock);
    target1 = 0;
    target2 = 0;
  }
  onVideoFrame(nullptr, 0, 0, 1, 1);
}

void QVViewGL::setViewMode(int32_t mode, float aspect) {
  _videoMode = mode;
  _videoAspect = aspect;
}

void QVViewGL::setBlindSpotImage(std::optional<std::string> name) {
  blindspotImage = std::move(name);
  blindspotrefresh = true;
}

void QVViewGL::setNavigationMode(int32_t mode) {
  navigationMode = mode;
  rotateZ = 0;
  rotateY = 0;
}

void QVViewGL::resetView() {
  motionManager->stopDeviceMotionUpdates();
  motionManager->startDeviceMotionUpdates();
  xrotcalibrated = false;
  rotatedirection.x = 0;
  rotatedirection.y = 0;
}

void QVViewGL::clampViewAngleUp(float up, float down) {
  maxUpAngle = up;
  maxDownAngle = down;
}

void QVViewGL::setAutoLevel(bool enabled, float afterSeconds) {
  bAutolevel = enabled;
  fAutolevel = afterSeconds;
}

void QVViewGL::hitXAndY(int32_t x, int32_t y) {
  hitX = x;
  hitY = y;
}

std::shared_ptr<Responder> QVViewGL::setResponder(std::weak_ptr<Responder> responder) {
  auto previous = delegate.lock();
  delegate = std::move(responder);
  return previous;
}

std::shared_ptr<Responder> QVViewGL::nextResponder() const {
  return delegate.lock();
}

void QVViewGL::halt() {
  stopAnimation();
  if (movetimer) {
    movetimer->invalidate();
    movetimer.reset();
  }
}

void QVViewGL::update() {
  drawView();
}

void QVViewGL::startAnimation() {
  if (animationTimer) stopAnimation();
  // The timer refers to the view weakly: the host owns the view, and a view dropped without halt stops
  // drawing instead of living on through its own timer.
  std::weak_ptr<QVViewGL> weak = weak_from_this();
  animationTimer = RunLoop::main().scheduleTimer(animationInterval, true, [weak] {
    if (auto view = weak.lock()) view->drawView();
  });
}

void QVViewGL::stopAnimation() {
  if (animationTimer) animationTimer->invalidate();
  animationTimer.reset();
}

void QVViewGL::setAnimationTimer(std::shared_ptr<Timer> timer) {
  if (animationTimer) animationTimer->invalidate();
  animationTimer = std::move(timer);
}

void QVViewGL::setAnimationInterval(double seconds) {
  animationInterval = seconds;
  if (animationTimer) {
    stopAnimation();
    startAnimation();
  }
}

bool QVViewGL::createFramebuffer() {
  // The caller's context is restored on every path, failures included: the shared context must not stay
  // current here, or no other thread could make it current again.
  SharedContextScope scope;
  if (!scope.ok()) {
    QVLog("failed to make complete framebuffer object %x", 0u);
    return false;
  }
  oes::glGenFramebuffersOES(1, &viewFramebuffer);
  oes::glGenRenderbuffersOES(1, &viewRenderbuffer);
  oes::glBindFramebufferOES(GL_FRAMEBUFFER_OES, viewFramebuffer);
  oes::glBindRenderbufferOES(GL_RENDERBUFFER_OES, viewRenderbuffer);
  layer_->renderbufferStorage(GL_RENDERBUFFER_OES);
  oes::glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES,
                                    viewRenderbuffer);
  backingWidth = backingHeight = 0;
  oes::glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_WIDTH_OES, &backingWidth);
  oes::glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_HEIGHT_OES, &backingHeight);

  oes::glGenRenderbuffersOES(1, &depthRenderbuffer);
  oes::glBindRenderbufferOES(GL_RENDERBUFFER_OES, depthRenderbuffer);
  if (backingWidth > 0 && backingHeight > 0) {
    oes::glRenderbufferStorageOES(GL_RENDERBUFFER_OES, GL_DEPTH_COMPONENT16_OES, backingWidth, backingHeight);
  }
  oes::glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_DEPTH_ATTACHMENT_OES, GL_RENDERBUFFER_OES,
                                    depthRenderbuffer);
  GLenum status = oes::glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES);
  while (glGetError() != GL_NO_ERROR) {
  }
  if (status != GL_FRAMEBUFFER_COMPLETE_OES) {
    QVLog("failed to make complete framebuffer object %x", status);
    return false;
  }
  return true;
}

void QVViewGL::destroyFramebuffer() {
  if (!viewFramebuffer && !viewRenderbuffer && !depthRenderbuffer) return;
  SharedContextScope scope;
  if (scope.ok()) {
    if (viewFramebuffer) oes::glDeleteFramebuffersOES(1, &viewFramebuffer);
    if (viewRenderbuffer) oes::glDeleteRenderbuffersOES(1, &viewRenderbuffer);
    if (depthRenderbuffer) oes::glDeleteRenderbuffersOES(1, &depthRenderbuffer);
  }
  viewFramebuffer = viewRenderbuffer = depthRenderbuffer = 0;
}

void QVViewGL::layoutSubviews() {
  std::lock_guard<std::mutex> guard(textureUsageLock);
  destroyFramebuffer();
  createFramebuffer();
}

void QVViewGL::setFrame(QVRect frame) {
  bool resized = frame.width != frame_.width || frame.height != frame_.height;
  frame_ = frame;
  layer_->setBounds(QVRect{0, 0, frame.width, frame.height});
  if (resized) layoutSubviews();
}

void QVViewGL::setLayer(std::shared_ptr<Layer> layer) {
  if (!layer) return;
  layer->setBounds(QVRect{0, 0, frame_.width, frame_.height});
  layer->setOpaque(true);
  layer->setDrawableProperties(false);
  layer_ = std::move(layer);
}

std::vector<uint8_t> QVViewGL::base64DataFromString(std::optional<std::string_view> string) {
  return ::base64DataFromString(string);
}
