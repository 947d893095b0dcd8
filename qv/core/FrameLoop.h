// One frame of a view: drawView (the frame timer's action) takes the GL lock and runs a focus picking pass
// when asked, then the frame proper, then the still image waiting for it; drawFunction draws one pass into
// the drawable and presents it (or, in a picking pass, reads back the one pixel and hands its colour to the
// hotspots); drawScene builds the frame's snapshot, chooses the renderer and runs it once per eye, with the
// camera composition before and the blind spot and hotspots after. Owned by the view, which it refers to
// only through the parts it is given. Main thread only.
#pragma once

#include <array>
#include <memory>

#include "qv/core/CameraRig.h"
#include "qv/core/Rotation.h"
#include "qv/render/RendererChoice.h"
#include "qv/render/SceneQuadrics.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class BlindSpotDisk;
class DeviceMotionNavigator;
class FrameInput;
class HotspotLayer;
class Layer;
class SceneRenderer;
class TouchNavigator;
class ViewDrawable;
struct FrameSnapshot;
struct ViewSettings;

class FrameLoop {
 public:
  // The view's parts the frame reads and draws; they outlive the loop.
  struct Parts {
    const ViewSettings& settings;
    ViewDrawable& drawable;
    FrameInput& input;
    TouchNavigator& touch;
    DeviceMotionNavigator& motion;
    HotspotLayer& hotspots;
    BlindSpotDisk& blindSpot;
  };
  explicit FrameLoop(Parts parts);
  ~FrameLoop();
  FrameLoop(const FrameLoop&) = delete;
  FrameLoop& operator=(const FrameLoop&) = delete;

  // The view's size in points (the frame reads it for viewports and picking).
  void setViewSize(double width, double height) {
    viewWidth_ = width;
    viewHeight_ = height;
  }
  void drawView(Layer& layer);
  void drawFunction(Layer& layer);
  void drawScene();
  // One layout with the given device matrix; all eyes after one clear, or only `eye` with no clear. GL lock
  // held and context current, framebuffer bound.
  void drawLayout(RendererKind kind, const RotationMatrix& device, int eye = -1);
  // The raw-frame texture from explicit angles (radians).
  void drawRawFrame(double pitch, double roll);

  // A picking pass at (x, y) points on the next frame (a tap on a hotspot).
  void requestPick(double x, double y);
  // A picking pass at the centre of each eye (focus mode).
  void requestFocusPick();
  bool isPicking() const { return hittest; }
  // A one-shot window point unprojected by the next camera composition.
  void hitXAndY(int32_t x, int32_t y) {
    hitX = x;
    hitY = y;
  }
  int32_t stereoMode() const { return stereomode; }
  const CameraRig& cameraRig() const { return rig_; }
  CameraRig& cameraRig() { return rig_; }
  // Deletes the quadrics (teardown).
  void releaseQuadrics() { quadrics_.reset(); }

 private:
  FrameSnapshot snapshot(const RotationMatrix& device) const;
  SceneRenderer* renderer(RendererKind kind);
  // The blind spot and the hotspots over a sphere-type layout, turned by the scene's yaw.
  void drawOverlays(const FrameSnapshot& frame, float sceneYaw);
  void unprojectHitPoint();
  // Reads the pick points back and hands their colours to the hotspots (or ends the focus).
  void readPick();
  // Disables what the frame enabled and unbinds its texture, so the shared context leaves the frame as it
  // came in.
  static void leaveStateAsFound();

  Parts parts_;
  double viewWidth_ = 0, viewHeight_ = 0;  // points
  CameraRig rig_;
  SceneQuadrics quadrics_;
  std::array<std::unique_ptr<SceneRenderer>, 8> renderers_;  // by RendererKind, made on first use

  bool hittest = false;        // the current frame is a picking pass
  bool hotspotsDrawn = false;  // the current pass drew hotspots (a pick can only hit what was drawn)
  std::array<std::array<double, 2>, 2> hitpoints_{};  // view points read back by the picking pass
  size_t hitpointCount_ = 0;                          // one, or one per eye in focus mode on a pair
  int32_t hitX = -1, hitY = -1;                       // one-shot window point for the camera composition
  int32_t stereomode = 0;  // 0 full frame to both eyes, 1 over-under; written by the renderer choice
};

}  // namespace qv
QV_EXPORT_END
