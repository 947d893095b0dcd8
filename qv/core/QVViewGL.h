// The panorama view: a facade over the parts that do the work. It keeps the host's settings, owns the
// drawable, the frame loop, touch and device-motion navigation, the hotspot layer, the blind-spot disk and
// the frame input, and forwards each operation to the part that owns it.
// Made by QVObjectFactory::viewWithFrame and owned by the host; all operations run on the main thread
// except the frame input of QVAssetListener, which any thread may call (it takes the GL lock).
#pragma once

#include <GLES/gl.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "qv/core/FrameLoop.h"
#include "qv/core/QVView.h"
#include "qv/core/Rotation.h"
#include "qv/core/ViewDrawable.h"
#include "qv/core/ViewMode.h"
#include "qv/core/ViewSettings.h"
#include "qv/hotspots/HotspotLayer.h"
#include "qv/media/FrameInput.h"
#include "qv/media/ImageLoadState.h"
#include "qv/media/QVAssetListener.h"
#include "qv/navigation/DeviceMotionNavigator.h"
#include "qv/navigation/TouchNavigator.h"
#include "qv/os/Environment.h"
#include "qv/render/BlindSpotDisk.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class Image;
class Layer;
class QVHotspot;
class RenderableView;
class StillImageLoader;
class TapRecognizer;
class Timer;

class QVViewGL : public QVView, public QVAssetListener, public std::enable_shared_from_this<QVViewGL> {
 public:
  // nullptr when the view cannot be made: a frame whose size is not finite. `whyNot`, when given,
  // receives the reason (also logged). A size that gives no drawable (empty, negative, beyond the GL's
  // limits) still makes a view, whose layoutSubviews says so; a later usable frame gives it a drawable.
  static std::shared_ptr<QVViewGL> create(QVRect frame, std::string* whyNot = nullptr);
  ~QVViewGL() override;
  QVViewGL(const QVViewGL&) = delete;
  QVViewGL& operator=(const QVViewGL&) = delete;

  // --- Content and modes
  void displayAsset(std::shared_ptr<QVAsset> asset) override;
  const std::shared_ptr<QVAsset>& asset() const { return localasset; }
  void clear();
  void setStereo(bool stereo) { settings_.isStereo = stereo; }
  bool isStereo() const { return settings_.isStereo; }
  void setViewMode(int32_t mode, float aspect);
  void setViewMode(ViewMode mode, float aspect) { setViewMode(int32_t(mode), aspect); }
  int32_t viewMode() const { return settings_._videoMode; }
  float viewAspect() const { return settings_._videoAspect; }
  void setContentFormat(int32_t) {}
  // How the picture lies on the sphere (projection, stereo packing, covered area, pose). Unless the host
  // sets one, each frame takes the layout the content brings: the asset's metadata, else the still image's
  // (a picture flatter than 2:1 without metadata is a band about the horizon).
  void setPanoramaLayout(const PanoramaLayout& layout) {
    settings_.panoramaLayout = layout;
    settings_.hostPanoramaLayout = true;
  }
  // Lets the content's layout apply again after setPanoramaLayout.
  void usePanoramaMetadata() { settings_.hostPanoramaLayout = false; }
  const PanoramaLayout& panoramaLayout() const { return settings_.panoramaLayout; }
  // The layout the content shown brings, whether or not the host's replaces it.
  PanoramaLayout contentPanoramaLayout() const;
  void setBlindSpotImage(std::optional<std::string> name) { blindSpot_.setImage(std::move(name)); }
  void setBlindSpotLocation(int32_t location) { blindSpot_.setLocation(location); }
  void setBlindSpotLocation(BlindSpotLocation location) { setBlindSpotLocation(int32_t(location)); }
  // The stereo layout of the last frame: 0 full frame to both eyes, 1 over-under.
  int32_t stereoMode() const { return frameLoop_.stereoMode(); }

  // --- Navigation and camera
  void setNavigationMode(int32_t mode) override;
  void setNavigationMode(NavigationMode mode) { setNavigationMode(int32_t(mode)); }
  int32_t navigationMode() const { return settings_.navigationMode; }
  void setFieldOfView(float degrees) { settings_.fieldofview = degrees; }
  float fieldOfView() const { return settings_.fieldofview; }
  void setRotationZ(float degrees) { settings_.viewRotation = degrees; }
  float getRotationZ() const { return settings_.viewRotation; }
  void clampViewAngleUp(float up, float down) { motion_.clampViewAngleUp(up, down); }
  void setAutoLevel(bool enabled, float afterSeconds) { touch_.setAutoLevel(enabled, afterSeconds); }
  void setInterfaceOrientation(int64_t orientation) { settings_.interfaceOrientation = orientation; }
  void setInterfaceOrientation(InterfaceOrientation o) { setInterfaceOrientation(int64_t(o)); }
  // Makes the device's current direction straight ahead again and clears the drag offsets.
  void resetView();
  void setHitOnFocus(bool enabled) { settings_.bHitOnFocus = enabled; }
  void hitXAndY(int32_t x, int32_t y) { frameLoop_.hitXAndY(x, y); }
  void setTapDelegate(std::weak_ptr<void> target) { tapdelegate = std::move(target); }

  // --- Touch navigation. Touches arrive from the host in view coordinates (points), on the main thread.
  struct Touch {
    double x = 0, y = 0;
    const QVView* view = nullptr;  // the view the touch belongs to
  };
  void touchesBegan(const std::vector<Touch>& touches);
  void touchesMoved(const std::vector<Touch>& touches);
  void touchesEnded(const std::vector<Touch>& touches);
  void touchesCancelled(const std::vector<Touch>& touches);
  Touch getLocationOfFirstTouch(const std::vector<Touch>& touches) const;
  bool isTouchInView(const std::vector<Touch>& touches) const;
  void setRotationX(float degrees);
  float getRotationX() const;
  void setRotationY(float degrees) { touch_.setRotationY(degrees); }
  // Zooms by `factor` (above 1 widens the view) keeping the point (x, y) in points where it is, within the
  // zoom limits (the wheel and keys of a desktop host; two touches pinch-zoom by themselves).
  void zoom(float factor, double x, double y) {
    settings_.fieldofview = touch_.zoom(factor, x, y, dragGeometry());
  }
  void setZoomLimits(float minimumDegrees, float maximumDegrees) {
    touch_.setZoomLimits({minimumDegrees, maximumDegrees});
  }
  // Turns the view by degrees as a drag would (held keys and controllers); counts as a move.
  void turn(float yawDegrees, float pitchDegrees) { touch_.turn(yawDegrees, pitchDegrees, dragGeometry()); }
  // A fast drag let go keeps turning and slows to a stop; on unless turned off.
  void setInertia(bool enabled) { touch_.setInertia(enabled); }
  float getRotationY() const { return touch_.getRotationY(); }
  void moveBack() { touch_.moveBack(); }
  void moveStep() { touch_.moveStep(); }
  float ease() const { return touch_.ease(); }

  // --- Responder chain: the responder receives viewWasTouched on a tap.
  std::shared_ptr<Responder> setResponder(std::weak_ptr<Responder> responder);
  std::shared_ptr<Responder> nextResponder() const override;
  bool error() const { return false; }

  // Base64 text to bytes (tolerant: unknown characters are skipped, decoding stops at the first "=").
  static std::vector<uint8_t> base64DataFromString(std::optional<std::string_view> string);

  // --- Frame timer
  void run() { startAnimation(); }
  void halt();
  void update() { drawView(); }
  void startAnimation();
  void stopAnimation();
  void setAnimationTimer(std::shared_ptr<Timer> timer);
  // False (and a log line) for an interval that is not a positive number of seconds; the timer keeps going.
  bool setAnimationInterval(double seconds);
  bool isAnimating() const { return animationTimer != nullptr; }
  void doNothing() {}

  // --- Drawable. The platform calls layoutSubviews whenever the size changes (setFrame does).
  bool createFramebuffer() { return drawable_.create(*layer_); }
  void destroyFramebuffer() { drawable_.destroy(); }
  // False (with the log line) when the drawable could not be made complete.
  bool layoutSubviews();
  void setFrame(QVRect frame);
  // The layer behind the drawable: an OffscreenLayer unless the host gives its own (a window's).
  const std::shared_ptr<Layer>& layer() const { return layer_; }
  void setLayer(std::shared_ptr<Layer> layer);

  // --- Frame loop (main thread). The render calls below draw one layout with the GL lock held, the shared
  // context current and the drawable bound, as drawFunction does.
  void drawView();
  void drawFunction() { frameLoop_.drawFunction(*layer_); }
  void drawScene() { frameLoop_.drawScene(); }
  void renderScene(RotationMatrix matrix) { frameLoop_.drawLayout(RendererKind::Sphere, matrix); }
  // One eye of a side-by-side pair into its half of the view; the caller clears once before both eyes.
  void renderScenePart(RotationMatrix matrix, bool isRight) {
    frameLoop_.drawLayout(RendererKind::StereoPair, matrix, isRight ? 1 : 0);
  }
  // The raw-frame texture on the sphere from explicit angles (radians); nothing in the kit calls it.
  void renderScene2(RotationMatrix, double pitch, double, double roll) {
    frameLoop_.drawRawFrame(pitch, roll);
  }
  void renderSceneCylinder(RotationMatrix matrix) { frameLoop_.drawLayout(RendererKind::Cylinder, matrix); }
  void renderSceneFlat(RotationMatrix matrix) { frameLoop_.drawLayout(RendererKind::Flat, matrix); }
  void renderSceneLegacy(RotationMatrix matrix) { frameLoop_.drawLayout(RendererKind::Legacy, matrix); }
  // Loads a named image into a new single-level texture (takes the GL lock).
  void loadTexture(GLuint* texture, const std::string& file);

  // --- Hotspots (main thread). A hotspot is drawn from the next frame on; removal takes effect at the
  // next drawn frame. The first hotspot installs the tap recogniser, which the host feeds with taps.
  std::shared_ptr<QVHotspot> createHotspot(std::shared_ptr<Image> image) {
    return hotspots_.createHotspot(std::move(image));
  }
  std::shared_ptr<QVHotspot> createHotspotWithView(std::shared_ptr<RenderableView> view) {
    return hotspots_.createHotspotWithView(std::move(view));
  }
  void removeHotspot(QVHotspot* hotspot) { hotspots_.removeHotspot(hotspot); }
  void onTap(TapRecognizer& recognizer) { hotspots_.onTap(recognizer); }
  // The tap recogniser the host feeds with taps; null until the first hotspot.
  const std::shared_ptr<TapRecognizer>& tapRecognizer() const { return hotspots_.tapRecognizer(); }

  // --- QVAssetListener (frame input)
  void onStatusChange(QVAsset*, int32_t) override {}
  void onVideoFrame(const uint8_t* pixels, int32_t x, int32_t y, int32_t w, int32_t h) override;
  void onImageBuffer(PixelBuffer* buffer, int32_t, int32_t, int32_t w, int32_t h) override {
    input_.onImageBuffer(buffer, w, h);
  }
  void onImageBuffer2(PixelBuffer* first, PixelBuffer* second, int32_t, int32_t, int32_t, int32_t) override {
    input_.onImageBuffer2(first, second);
  }
  void lock() override { input_.lock().lock(); }
  void unlock() override { input_.lock().unlock(); }

  // --- Still images. setImage uploads now (the caller must not hold the GL lock) and says whether the
  // image is shown; injectImage hands the image to the next frame, from any thread.
  bool setImage(const std::shared_ptr<Image>& image) {
    stopLoading();
    rememberImageLayout(image.get());
    return input_.setImage(image);
  }
  // Loads a still panorama from a file off the main thread and returns at once: a low-resolution whole
  // picture is shown as soon as it is decoded (a JPEG's; state Preview), then the full resolution
  // replaces it tile by tile (state Full). A file that cannot be shown ends in Failed, with the reason in
  // imageLoadFailure() and one log line, and the previous picture stays. Another loadImage, setImage or
  // displayAsset, and the view's teardown, stop a load under way. States reach the host on the main run
  // loop, which must be pumped: the full resolution starts once the preview's state has been delivered.
  void loadImage(const std::string& path);
  ImageLoadState imageLoadState() const { return loadState_; }
  const std::string& imageLoadFailure() const { return loadFailure_; }
  // The size of the image the last loadImage shows (from its preview on) and whether its layout came from
  // its metadata; zeros before.
  LoadedImageInfo loadedImageInfo() const;
  // Called on the main thread with each new state of a loadImage (Preview, then Full or Failed).
  void setImageLoadObserver(std::function<void(ImageLoadState)> observer) {
    loadObserver_ = std::move(observer);
  }
  // Images larger than this (pixels a side; 0: the GL maximum texture size) are shown as several
  // textures. Applies from the next image.
  void setMaximumTileSize(int32_t pixels) { input_.setMaximumTileSize(pixels); }
  int32_t maximumTileSize() const { return input_.maximumTileSize(); }
  void injectImage(std::shared_ptr<Image> image) {
    rememberImageLayout(image.get());
    input_.injectImage(std::move(image));
  }
  bool injectImageExec(const std::shared_ptr<Image>& image) { return setImage(image); }

  // --- The parts, for hosts and tests that look closer. Main thread (the frame input: under its lock).
  const TouchNavigator& touch() const { return touch_; }
  const DeviceMotionNavigator& motion() const { return motion_; }
  const HotspotLayer& hotspotLayer() const { return hotspots_; }
  const BlindSpotDisk& blindSpot() const { return blindSpot_; }
  const FrameInput& frameInput() const { return input_; }
  const ViewDrawable& drawable() const { return drawable_; }
  const FrameLoop& frameLoop() const { return frameLoop_; }
  int32_t deviceCategory() const { return devicecategory; }

 protected:
  explicit QVViewGL(QVRect frame);
  bool initWithFrame(QVRect frame, std::string* whyNot);

 private:
  // What touch navigation needs of the view and camera now.
  DragGeometry dragGeometry() const;
  void rememberImageLayout(const Image* image);
  void rememberImageLayout(const PanoramaLayout& layout, const LoadedImageInfo& info = {});
  // Stops a loadImage under way (joins its thread); the load state becomes None, finished or not.
  void stopLoading();
  void loadStateChanged(uint64_t generation, ImageLoadState state, const std::string& reason);

  // Main thread only.
  ViewSettings settings_;
  std::shared_ptr<QVAsset> localasset;              // the asset shown
  std::weak_ptr<Responder> delegate;                // next responder; receives taps
  std::weak_ptr<void> tapdelegate;                  // stored only
  int32_t devicecategory = 0;                       // 1..5 from the device's model class
  std::shared_ptr<Timer> animationTimer;            // frame timer
  double animationInterval = 0.016666666666666666;  // seconds
  std::shared_ptr<Layer> layer_;
  TouchNavigator touch_;
  DeviceMotionNavigator motion_;
  HotspotLayer hotspots_;
  BlindSpotDisk blindSpot_;
  std::unique_ptr<StillImageLoader> loader_;  // the loadImage under way, if any
  uint64_t loadGeneration_ = 0;               // counts loadImage calls; late states of older ones are dropped
  ImageLoadState loadState_ = ImageLoadState::None;
  std::string loadFailure_;
  std::function<void(ImageLoadState)> loadObserver_;

  // Under the GL lock.
  ViewDrawable drawable_;
  FrameInput input_;  // its uploads come from any thread and take the lock themselves
  FrameLoop frameLoop_;

  mutable std::mutex imageLayoutLock_;
  PanoramaLayout
      imageLayout_;  // the last still image's; guarded by imageLayoutLock_ (images come from any thread)
  LoadedImageInfo loadedImage_;  // guarded by imageLayoutLock_

  std::atomic<bool> dealloccing{false};  // set at the start of teardown; read by any thread
};

}  // namespace qv
QV_EXPORT_END
