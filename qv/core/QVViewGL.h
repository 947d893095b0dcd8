// The panorama view: it owns every piece of viewer state (content, camera, navigation, hotspots, drawable,
// timers, motion sources) and draws one frame per tick of its frame timer on the main run loop.
// Made by QVObjectFactory::viewWithFrame and owned by the host; all operations run on the main thread
// except the frame input of QVAssetListener, which any thread may call (it takes textureUsageLock).
// Member functions are defined in the folder of the subsystem that owns them (renderers in qv/render/,
// touch handling in qv/navigation/, frame input in qv/media/); lifecycle and setters in qv/core/.
#pragma once

#include <GLES/gl.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "qv/core/QVView.h"
#include "qv/core/Rotation.h"
#include "qv/glu/Quadric.h"
#include "qv/media/QVAssetListener.h"
#include "qv/os/Environment.h"

class CacheTexture;
class HighpassFilter;
class Image;
class LowpassFilter;
class Layer;
class LocationManager;
class QVHotspot;
class QVHotspotImpl;
class RenderableView;
class TapRecognizer;
class MotionManager;
class TextureCache;
class RunLoop;
class Timer;
struct Attitude;

class QVViewGL : public QVView, public QVAssetListener, public std::enable_shared_from_this<QVViewGL> {
 public:
  // nullptr when the view cannot be made (see initWithFrame).
  static std::shared_ptr<QVViewGL> create(QVRect frame);
  ~QVViewGL() override;
  QVViewGL(const QVViewGL&) = delete;
  QVViewGL& operator=(const QVViewGL&) = delete;

  // --- Content and modes
  void displayAsset(std::shared_ptr<QVAsset> asset) override;
  void clear();
  void setStereo(bool stereo) { isStereo = stereo; }
  void setViewMode(int32_t mode, float aspect);
  void setContentFormat(int32_t) {}
  void setBlindSpotImage(std::optional<std::string> name);
  void setBlindSpotLocation(int32_t location) { blindspotlocation = location; }

  // --- Navigation and camera
  void setNavigationMode(int32_t mode) override;
  void setFieldOfView(float degrees) { fieldofview = degrees; }
  void setRotationZ(float degrees) { viewRotation = degrees; }
  float getRotationZ() const { return viewRotation; }
  void clampViewAngleUp(float up, float down);
  void setAutoLevel(bool enabled, float afterSeconds);
  void setInterfaceOrientation(int64_t orientation) { interfaceOrientation = orientation; }
  // Makes the device's current direction straight ahead again and clears the drag offsets.
  void resetView();
  void setHitOnFocus(bool enabled) { bHitOnFocus = enabled; }
  void hitXAndY(int32_t x, int32_t y);  // hitX:andY: (the fields hitX and hitY keep their names)
  void setTapDelegate(std::weak_ptr<void> delegate) { tapdelegate = std::move(delegate); }

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
  void setRotationY(float degrees);
  float getRotationY() const;
  void moveBack();
  void moveStep();
  float ease() const;
  // The main screen's scale x height / divisor (the yaw divisor k for 500). Where the screen reports no
  // usable height the view's own height stands in, and 1 where that is zero too, so yaw never becomes NaN.
  float screenDivisor(double divisor) const;

  // --- Responder chain: the responder receives viewWasTouched on a tap.
  std::shared_ptr<Responder> setResponder(std::weak_ptr<Responder> responder);
  std::shared_ptr<Responder> nextResponder() const override;
  bool error() const { return false; }

  // Base64 text to bytes (tolerant: unknown characters are skipped, decoding stops at the first "=").
  static std::vector<uint8_t> base64DataFromString(std::optional<std::string_view> string);

  // --- Frame timer
  void run() { startAnimation(); }
  void halt();
  void update();
  void startAnimation();
  void stopAnimation();
  void setAnimationTimer(std::shared_ptr<Timer> timer);
  void setAnimationInterval(double seconds);
  void doNothing() {}

  // --- Drawable. The platform calls layoutSubviews whenever the size changes (setFrame does).
  bool createFramebuffer();
  void destroyFramebuffer();
  void layoutSubviews();
  void setFrame(QVRect frame);
  // The layer behind the drawable: an OffscreenLayer unless the host gives its own (a window's).
  const std::shared_ptr<Layer>& layer() const { return layer_; }
  void setLayer(std::shared_ptr<Layer> layer);

  // --- Frame loop
  void drawView();
  void drawFunction();
  void drawScene();
  // Hands the colour read back by a picking pass to the hotspots (focus in/out, or the tap's action).
  void dispatchPick(int32_t red, int32_t green, int32_t blue);
  // The device rotation matrix of this frame from the motion sources (feeds the filters once).
  RotationMatrix deviceRotationMatrix();

  // --- Renderers (one frame each; main thread, textureUsageLock held by the frame).
  void renderScene(RotationMatrix matrix);
  // One eye of a side-by-side pair into its half of the view; the caller clears once before both eyes.
  void renderScenePart(RotationMatrix matrix, bool isRight);
  // The raw-frame texture texId on the sphere from explicit angles (radians); nothing in the kit calls it.
  void renderScene2(RotationMatrix matrix, double pitch, double yaw, double roll);
  // Video on the inside of an open cylinder around the camera.
  void renderSceneCylinder(RotationMatrix matrix);
  // The video frame flat on the screen, letterboxed to _videoAspect; no camera.
  void renderSceneFlat(RotationMatrix matrix);
  // texId on the sphere with the camera of old system versions.
  void renderSceneLegacy(RotationMatrix matrix);

  // What a sphere-type renderer asks of the camera composition.
  struct CameraPass {
    GLint viewportX = 0;
    GLint width = 1, height = 0;         // viewport size, pixels
    bool clear = true;                   // clear colour and depth first
    bool alwaysMotionBranch = false;     // take the motion-navigation branches whatever navigationMode is
    bool pitchOffset = true;             // apply the touch pitch (rotatedirection.y)
    bool yawFlipsInOrientation4 = true;  // motion yaw subtracts the touch offset in interface orientation 4
    GLfloat modelOffsetZ = 0;            // model-view translation along z, before the compass and the yaw
  };
  // Projection, orientation, touch offsets, device matrix, compass and yaw onto the projection and
  // model-view matrices, then the one-shot unprojection. Returns the whole turn about the pole axis
  // (compass and yaw, degrees) applied to the scene's model-view matrix.
  float composeCamera(const RotationMatrix& matrix, const CameraPass& pass);
  // Loads the device matrix as a GL matrix, keeps it in m_static and multiplies it onto the current matrix.
  void applyDeviceMatrix(const RotationMatrix& matrix);
  // The viewport the camera composition uses for a mono frame.
  CameraPass monoCameraPass() const;
  // Depth writes on, then colour (black) and depth cleared: how every frame starts.
  static void clearFrame();
  // The legacy projection: the whole view, the field of view, near 1 and far 1000.
  void loadFarPerspective();
  // The closing step of the sphere-type renderers: texture matrix reset, blind spot, model-view reset and
  // hotspots, with the GL error flag drained around them. `sceneYaw` is what composeCamera returned.
  void closeSceneFrame(float sceneYaw);
  // Sends moveBack when the auto-level delay has passed since the last touch.
  void autoLevelIfDue();
  // Creates the three quadrics when missing; false (nothing kept) when that fails.
  bool ensureQuadrics();
  // The blind-spot image over one pole: loads its texture when needed, then (outside picking passes)
  // draws the disk turned by the scene's own yaw so it stays fixed to the panorama.
  void renderBlindSpot(float sceneYaw);
  // Loads a named image into a new single-level texture.
  void loadTexture(GLuint* texture, const std::string& file);
  // Draws the panorama texture(s) on the sphere, as the still-image, single and pair paths need.
  void drawPanorama(const GLfloat* eyeTextureMatrix);

  // --- Hotspots (main thread). A hotspot is drawn from the next frame on; removal takes effect at the
  // next drawn frame. The first hotspot installs the tap recogniser, which the host feeds with taps.
  std::shared_ptr<QVHotspot> createHotspot(std::shared_ptr<Image> image);
  std::shared_ptr<QVHotspot> createHotspotWithView(std::shared_ptr<RenderableView> view);
  void removeHotspot(QVHotspot* hotspot);
  void onTap(TapRecognizer& recognizer);
  // The renderers' closing step, model-view matrix mode current: purges released hotspots and draws the
  // rest (picking discs in a picking pass). k is the renderer's yaw divisor; sceneYaw the whole turn
  // about the pole axis that the camera composition gave the scene (degrees), so hotspots stay put on it.
  void renderHotspots(float k, float sceneYaw);

  // --- QVAssetListener (frame input)
  void onStatusChange(QVAsset*, int32_t) override {}
  void onVideoFrame(const uint8_t* pixels, int32_t x, int32_t y, int32_t w, int32_t h) override;
  void onImageBuffer(PixelBuffer* buffer, int32_t x, int32_t y, int32_t w, int32_t h) override;
  void onImageBuffer2(PixelBuffer* first, PixelBuffer* second, int32_t x, int32_t y, int32_t w,
                      int32_t h) override;
  void lock() override { textureUsageLock.lock(); }
  void unlock() override { textureUsageLock.unlock(); }

  // --- Still images. setImage uploads now (the caller must not hold textureUsageLock); injectImage
  // hands the image to the next frame, from any thread.
  void setImage(const std::shared_ptr<Image>& image);
  void injectImage(std::shared_ptr<Image> image);
  void injectImageExec(const std::shared_ptr<Image>& image);

  // ------------------------------------------------------------------------------------------------
  // State. The kit's renderers and navigation read and write these fields directly; hosts use the
  // operations above. Main thread only unless a group says otherwise.

  std::shared_ptr<QVAsset> localasset;  // the asset shown
  std::weak_ptr<Responder> delegate;    // next responder; receives taps
  int32_t devicecategory = 0;           // 1..5 from the device's model class
  int32_t navigationMode = 0;           // 0 motion navigation, other: touch only
  float rotateY = 0, rotateZ = 0;       // accumulated vertical / horizontal drag

  // One process-wide lock: every view shares one GL context, so GL work of all views and threads is
  // serialised by the same lock.
  std::mutex& textureUsageLock;

  // Guarded by textureUsageLock (the capture thread writes them).
  GLuint texId = 0;               // the view's own raw-frame texture
  GLuint target1 = 0, name1 = 0;  // GL target and name of the first panorama texture (0: none)
  GLuint target2 = 0, name2 = 0;  // the same for the second texture of a pair

  GLuint texBlackspot = 0;  // blind-spot texture
  // The image name whose load failed, so a missing or broken image costs one look-up, not one per frame;
  // forgotten when the name or blindspotrefresh changes.
  std::optional<std::string> blindspotFailedName;

  bool translationEnabled = false;  // not read
  float m_static[16] = {};          // last device matrix as a GL matrix, column-major
  Vec4fRec rotatedirection{};       // touch yaw (x) and pitch (y) offsets, drag units
  bool dragging = false;
  double dragStartPosition[2] = {0, 0};  // last touch position, points
  float rotateZdelta = 0, rotateYdelta = 0;
  double touchStartTime = 0, touchEndTime = 0;  // media times, seconds
  Vec4fRec delta_trans{}, trans{};

  std::shared_ptr<Timer> animationTimer;            // frame timer
  double animationInterval = 0.016666666666666666;  // seconds
  std::shared_ptr<Timer> movetimer;                 // auto-level easing timer
  float viewRotation = 0;                           // extra roll, degrees
  float fieldofview = 75.0f;                        // vertical field of view, degrees
  float maxUpAngle = 0, maxDownAngle = 0;           // view-angle clamp, degrees
  std::atomic<bool> dealloccing{false};             // set at the start of teardown; read by any thread
  double rotx = 0, roty = 0, rotz = 0;              // last attitude angles after clamping, radians
  int64_t lastOrientation = 4;                      // last usable device orientation

  bool legacy = false;                       // only the legacy renderer is used
  bool bHitOnFocus = false;                  // per-frame picking pass at the view centre
  bool hover = false;                        // not read
  float start = 0, delta = 0, step = 30.0f;  // auto-level easing state
  bool bAutolevel = true;
  float fAutolevel = 2.5f;          // seconds
  int32_t hitX = -1, hitY = -1;     // one-shot screen point for the renderer
  std::weak_ptr<void> tapdelegate;  // stored only
  int64_t interfaceOrientation = 0;
  float swipespeed = 0.75f;                   // not read
  std::optional<std::string> blindspotImage;  // name of the blind-spot image
  int32_t blindspotlocation = 0;              // 0 none, 1 nadir, 2 zenith
  bool blindspotrefresh = false;
  bool xrotcalibrated = false;
  float xrotationmodifier = 0;  // yaw base, degrees
  int32_t _videoMode = 0;       // 0 sphere, 1 flat, 2 cylinder, 3 stereo pair, 4 over-under content
  float _videoAspect = 2.0f;
  bool hittest = false;         // the current frame is a picking pass
  bool hotspotsDrawn = false;   // the current pass drew hotspots (a pick can only hit what was drawn)
  float hotspotrotation = 0;    // degrees
  double hitpoint[2] = {0, 0};  // screen point read back by the picking pass
  int32_t stereomode = 0;       // 0 full frame to both eyes, 1 over-under
  bool isStereo = false;
  int32_t contentformat = 0;  // not written or read

  // Hotspots in drawing and picking order (insertion order); main thread only.
  std::vector<std::shared_ptr<QVHotspotImpl>> hotspots;
  std::shared_ptr<TapRecognizer> tapper;  // made with the first hotspot

  // Motion filters, fed once per frame.
  std::unique_ptr<LowpassFilter> gravityLpf;  // gravity estimate in accelerometer mode
  std::unique_ptr<HighpassFilter> userAccelerationHpf;
  std::unique_ptr<LowpassFilter> userAccelerationHpfLpf;
  std::unique_ptr<LowpassFilter> userAccelerationLpf;

  // Quadrics, created together by the first frame of any renderer.
  GLUquadric* qSphere = nullptr;
  GLUquadric* qSphere2 = nullptr;
  GLUquadric* qDisk = nullptr;

  // Motion sources, chosen at construction.
  bool accelMode = false;
  std::shared_ptr<MotionManager> motionManager;
  std::shared_ptr<Attitude> referenceAttitude;  // never set by the kit
  std::shared_ptr<LocationManager> locationManager;

  // Frame textures (guarded by textureUsageLock).
  std::shared_ptr<TextureCache> videoTextureCache;
  std::shared_ptr<CacheTexture> _videoTextureRef1, _videoTextureRef2;
  PixelBuffer* _buffer1 = nullptr;  // set to null by the uploads; not read
  PixelBuffer* _buffer2 = nullptr;

  // Drawable (guarded by textureUsageLock).
  GLuint viewRenderbuffer = 0, viewFramebuffer = 0, depthRenderbuffer = 0;
  GLint backingWidth = 0, backingHeight = 0;

 protected:
  explicit QVViewGL(QVRect frame);
  bool initWithFrame(QVRect frame);

 private:
  // Makes the texture cache if there is none; the shared context must be current.
  void ensureTextureCache();
  // Uploads `buffer` into a new texture of the cache; logs and returns nullptr on failure.
  std::shared_ptr<CacheTexture> textureFromBuffer(PixelBuffer& buffer, int w, int h);

  std::shared_ptr<Layer> layer_;

  // A still image waiting for the next frame; handed over by exchange under its own small lock, so the
  // newest image is never lost and none is shown twice.
  std::mutex injectLock_;
  std::shared_ptr<Image> imageInject;  // guarded by injectLock_
};
