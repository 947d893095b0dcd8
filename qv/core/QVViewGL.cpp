// Construction, teardown and the operations that are more than one forward to a part.
#include "qv/core/QVViewGL.h"

#include <cmath>
#include <cstdio>

#include "qv/core/QVViewResponder.h"
#include "qv/hotspots/QVHotspotImpl.h"
#include "qv/media/QVAsset.h"
#include "qv/media/StillImageLoader.h"
#include "qv/navigation/YawDivisor.h"
#include "qv/os/Image.h"
#include "qv/os/OffscreenLayer.h"
#include "qv/os/QVLog.h"
#include "qv/os/RunLoop.h"
#include "qv/platform/Base64String.h"
#include "qv/platform/QVContext.h"
#include "qv/platform/UIDeviceHardware.h"

namespace qv {

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

std::shared_ptr<QVViewGL> QVViewGL::create(QVRect frame, std::string* whyNot) {
  std::shared_ptr<QVViewGL> view(new QVViewGL(frame));
  if (!view->initWithFrame(frame, whyNot)) return nullptr;
  return view;
}

QVViewGL::QVViewGL(QVRect frame)
    : hotspots_([this](double x, double y) { frameLoop_.requestPick(x, y); }),
      input_(QVContext::glLock()),
      frameLoop_(FrameLoop::Parts{settings_, drawable_, input_, touch_, motion_, hotspots_, blindSpot_}) {
  frame_ = frame;
  frameLoop_.setViewSize(frame.width, frame.height);
  QVContext::attachView();
}

bool QVViewGL::initWithFrame(QVRect frame, std::string* whyNot) {
  if (!std::isfinite(frame.width) || !std::isfinite(frame.height)) {
    char reason[160];
    std::snprintf(reason, sizeof reason,
                  "viewWithFrame: a frame of %gx%g points is not a size a view can have", frame.width,
                  frame.height);
    QVLog("%s", reason);
    if (whyNot) *whyNot = reason;
    return false;
  }
  // The platform view: a layer of the frame's size at the screen's scale.
  layer_ = std::make_shared<OffscreenLayer>();
  layer_->setBounds(QVRect{0, 0, frame.width, frame.height});
  double scale = Environment::current().screenScale();
  layer_->setContentsScale(scale > 0 ? scale : 1.0);
  layer_->setOpaque(true);
  layer_->setDrawableProperties(false);

  devicecategory = deviceCategoryForClass(UIDeviceHardware::platformClass());
  settings_.legacy = !QVContext::isiOS50();
  animationInterval = 1.0 / 60.0;
  return true;
}

QVViewGL::~QVViewGL() {
  dealloccing = true;
  stopLoading();
  halt();
  displayAsset(nullptr);
  {
    std::lock_guard<std::mutex> guard(input_.lock());
    frameLoop_.releaseQuadrics();
    SharedContextScope scope;
    if (scope.ok()) {
      hotspots_.releaseAll();
      blindSpot_.releaseTexture();
      input_.releaseTextures();
    }
    drawable_.destroy();
  }
  QVContext::detachView();
}

void QVViewGL::displayAsset(std::shared_ptr<QVAsset> asset) {
  if (asset) stopLoading();
  if (localasset) localasset->setAssetListener({});
  localasset = std::move(asset);
  settings_.hasAsset = localasset != nullptr;
  if (localasset) localasset->setAssetListener(weak_from_this());
}

PanoramaLayout QVViewGL::contentPanoramaLayout() const {
  if (localasset) return localasset->panoramaLayout().value_or(PanoramaLayout{});
  std::lock_guard<std::mutex> guard(imageLayoutLock_);
  return imageLayout_;
}

void QVViewGL::rememberImageLayout(const Image* image) {
  PanoramaLayout layout;
  if (image) {
    layout = image->panoramaLayout().value_or(PanoramaLayout{});
    if (!image->panoramaLayout()) layout.area = equirectangularAreaForSize(image->width(), image->height());
  }
  rememberImageLayout(layout);
}

void QVViewGL::rememberImageLayout(const PanoramaLayout& layout, const LoadedImageInfo& info) {
  std::lock_guard<std::mutex> guard(imageLayoutLock_);
  imageLayout_ = layout;
  loadedImage_ = info;
}

LoadedImageInfo QVViewGL::loadedImageInfo() const {
  std::lock_guard<std::mutex> guard(imageLayoutLock_);
  return loadedImage_;
}

void QVViewGL::loadImage(const std::string& path) {
  stopLoading();
  const uint64_t generation = ++loadGeneration_;
  loadState_ = ImageLoadState::None;
  loadFailure_.clear();
  std::weak_ptr<QVViewGL> weak = weak_from_this();
  StillImageLoader::Listener listener;
  // The loader is joined before the view goes, so its thread may use the view's layout directly.
  listener.layout = [this](const PanoramaLayout& layout, const LoadedImageInfo& info) {
    rememberImageLayout(layout, info);
  };
  listener.stateChanged = [weak, generation](ImageLoadState state, const std::string& reason) {
    RunLoop::main().dispatchAsync([weak, generation, state, reason] {
      if (auto view = weak.lock()) view->loadStateChanged(generation, state, reason);
    });
  };
  loader_ = std::make_unique<StillImageLoader>(path, input_, std::move(listener));
}

void QVViewGL::stopLoading() {
  if (loader_) {
    loader_.reset();
    ++loadGeneration_;
  }
  // A finished load's state no longer describes the picture once another replaces it.
  loadState_ = ImageLoadState::None;
  loadFailure_.clear();
}

void QVViewGL::loadStateChanged(uint64_t generation, ImageLoadState state, const std::string& reason) {
  if (generation != loadGeneration_) return;
  loadState_ = state;
  loadFailure_ = reason;
  if (state == ImageLoadState::Full || state == ImageLoadState::Failed) {
    // The thread has finished its work: joined now rather than with the next image.
    loader_.reset();
  }
  if (loadObserver_) loadObserver_(state);
  // The observer may have started another load; only this one's preview lets its loader go on.
  if (state == ImageLoadState::Preview && generation == loadGeneration_ && loader_) loader_->proceed();
}

void QVViewGL::clear() {
  {
    std::lock_guard<std::mutex> guard(input_.lock());
    input_.clearSlots();
  }
  onVideoFrame(nullptr, 0, 0, 1, 1);
}

void QVViewGL::setViewMode(int32_t mode, float aspect) {
  settings_._videoMode = mode;
  settings_._videoAspect = aspect;
}

void QVViewGL::setNavigationMode(int32_t mode) {
  settings_.navigationMode = mode;
  touch_.clearAccumulatedDrag();
}

void QVViewGL::resetView() {
  motion_.restart();
  frameLoop_.cameraRig().resetCalibration();
  touch_.clearOffsets();
}

std::shared_ptr<Responder> QVViewGL::setResponder(std::weak_ptr<Responder> responder) {
  auto previous = delegate.lock();
  delegate = std::move(responder);
  return previous;
}

std::shared_ptr<Responder> QVViewGL::nextResponder() const {
  return delegate.lock();
}

std::vector<uint8_t> QVViewGL::base64DataFromString(std::optional<std::string_view> string) {
  return qv::base64DataFromString(string);
}

// --- Touches

QVViewGL::Touch QVViewGL::getLocationOfFirstTouch(const std::vector<Touch>& touches) const {
  return touches.empty() ? Touch{} : touches.front();
}

bool QVViewGL::isTouchInView(const std::vector<Touch>& touches) const {
  for (const auto& touch : touches)
    if (touch.view != this) return false;
  return true;
}

void QVViewGL::touchesBegan(const std::vector<Touch>& touches) {
  Touch p = getLocationOfFirstTouch(touches);
  touch_.touchesBegan(p.x, p.y);
}

void QVViewGL::touchesMoved(const std::vector<Touch>& touches) {
  if (touches.size() >= 2) {
    const Touch &a = touches[0], &b = touches[1];
    if (auto fov = touch_.pinchMoved(a.x, a.y, b.x, b.y, dragGeometry())) settings_.fieldofview = *fov;
    return;
  }
  Touch p = getLocationOfFirstTouch(touches);
  touch_.touchesMoved(p.x, p.y, dragGeometry());
}

DragGeometry QVViewGL::dragGeometry() const {
  const bool deviceYaw = settings_.navigationMode == 0 && motion_.hasDelivered();
  return DragGeometry{.width = frame_.width,
                      .height = frame_.height,
                      .fieldOfView = settings_.fieldofview,
                      .yawUnits = yawDivisor(500, frame_.height),
                      .flipYaw = deviceYaw && settings_.interfaceOrientation == 4};
}

void QVViewGL::touchesEnded(const std::vector<Touch>& touches) {
  Touch p = getLocationOfFirstTouch(touches);
  if (touch_.touchesEnded(p.x, p.y)) {
    if (auto responder = std::dynamic_pointer_cast<QVViewResponder>(delegate.lock()))
      responder->viewWasTouched();
  }
}

void QVViewGL::touchesCancelled(const std::vector<Touch>&) {
  touch_.touchesCancelled();
}

void QVViewGL::setRotationX(float degrees) {
  touch_.setRotationX(degrees, yawDivisor(-500, frame_.height));
}

float QVViewGL::getRotationX() const {
  return touch_.getRotationX(yawDivisor(-500, frame_.height));
}

// --- Frame timer

void QVViewGL::halt() {
  stopAnimation();
  touch_.stopEasing();
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

bool QVViewGL::setAnimationInterval(double seconds) {
  // A timer of no period would never fire again (or fire without end): the interval is refused and the
  // frame timer keeps its pace.
  if (!std::isfinite(seconds) || seconds <= 0) {
    QVLog("setAnimationInterval: %g seconds is not an interval; keeping %g", seconds, animationInterval);
    return false;
  }
  animationInterval = seconds;
  if (animationTimer) {
    stopAnimation();
    startAnimation();
  }
  return true;
}

// --- Drawable and frames

bool QVViewGL::layoutSubviews() {
  std::lock_guard<std::mutex> guard(input_.lock());
  drawable_.destroy();
  return drawable_.create(*layer_);
}

void QVViewGL::setFrame(QVRect frame) {
  bool resized = frame.width != frame_.width || frame.height != frame_.height;
  frame_ = frame;
  frameLoop_.setViewSize(frame.width, frame.height);
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

void QVViewGL::drawView() {
  if (dealloccing) return;
  if (!settings_.hostPanoramaLayout) settings_.panoramaLayout = contentPanoramaLayout();
  settings_.displayRotation = localasset ? localasset->displayRotation() : 0;
  frameLoop_.drawView(*layer_);
}

void QVViewGL::onVideoFrame(const uint8_t* pixels, int32_t, int32_t, int32_t w, int32_t h) {
  input_.onVideoFrame(pixels, w, h);
  // Draw one frame now when no timer does it. Off the main thread the frame is posted to the main queue,
  // where teardown and the timer are checked again.
  if (RunLoop::main().isLoopThread()) {
    if (!dealloccing && !animationTimer) drawView();
    return;
  }
  std::weak_ptr<QVViewGL> weak = weak_from_this();
  RunLoop::main().dispatchAsync([weak] {
    auto view = weak.lock();
    if (view && !view->dealloccing && !view->animationTimer) view->drawView();
  });
}

void QVViewGL::loadTexture(GLuint* texture, const std::string& file) {
  std::lock_guard<std::mutex> guard(input_.lock());
  SharedContextScope scope;
  if (scope.ok()) BlindSpotDisk::loadTexture(texture, file);
}

}  // namespace qv
