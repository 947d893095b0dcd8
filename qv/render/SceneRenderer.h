// One content layout's renderer. The frame loop clears the frame once, then for each eye composes the camera
// the renderer asks for (cameraPass), lets it draw its content, and draws the blind spot and the hotspots on
// top when the renderer has them. A renderer reads only the frame's snapshot, draws with the scene's
// quadrics, and leaves the GL state it changed as it found it (matrices aside: each frame loads its own).
// Main thread, GL lock held, shared context current.
#pragma once

#include <GLES/gl.h>

#include <optional>

#include "qv/render/FrameSnapshot.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class SceneQuadrics;

// What a renderer asks of the camera composition for one eye.
struct CameraPass {
  GLint viewportX = 0;
  GLint width = 1, height = 0;         // viewport size, pixels
  bool alwaysMotionBranch = false;     // take the motion-navigation branches whatever the navigation mode
  bool pitchOffset = true;             // apply the touch pitch
  bool yawFlipsInOrientation4 = true;  // motion yaw subtracts the touch offset in interface orientation 4
  GLfloat modelOffsetZ = 0;            // model-view translation along z, before the compass and the yaw
};

// The viewport of a mono frame: the whole view (at least one pixel wide).
CameraPass monoCameraPass(const FrameSnapshot& frame);
// The viewport of one eye of a side-by-side pair (eye 1: the right one); the camera follows the device.
CameraPass stereoCameraPass(const FrameSnapshot& frame, int eye);

// Depth writes on, then colour (black) and depth cleared: how every frame starts.
void clearFrame();

struct RendererTraits {
  int eyes = 1;                  // passes per frame: 2 for a side-by-side pair
  bool autoLevels = false;       // runs the touch auto-level before each eye
  bool usesTextureCache = true;  // needs the frame input's texture cache
  bool drawsOverlays = false;    // the blind spot and the hotspots go on top of the content
};

class SceneRenderer {
 public:
  virtual ~SceneRenderer() = default;
  virtual RendererTraits traits() const = 0;
  // The camera of one eye; nullopt when the layout sets up its own projection in draw().
  virtual std::optional<CameraPass> cameraPass(const FrameSnapshot& frame, int eye) const = 0;
  // Draws one eye's content. The camera of cameraPass is loaded when there is one.
  virtual void draw(const FrameSnapshot& frame, int eye, const SceneQuadrics& quadrics) = 0;
};

}  // namespace qv
QV_EXPORT_END
