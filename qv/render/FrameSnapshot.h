// Everything one frame's renderers read, gathered once per frame by the view's frame loop: camera inputs,
// the content layout, the texture slots and the screen. Renderers receive it by const reference and never
// see the view, so a renderer can be driven by a test with any snapshot it likes.
#pragma once

#include <GLES/gl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "qv/core/Rotation.h"
#include "qv/os/PanoramaLayout.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

// A texture the frame input published: a GL target and name (target 0: the slot is empty).
struct TextureSlot {
  GLuint target = 0;
  GLuint name = 0;
  int32_t width = 0, height = 0;  // texels (0: not known)
  bool empty() const { return target == 0; }
};

// One texture of a still picture too large for a single texture: the part of the picture it shows (fractions
// of the picture) and the texture coordinates that show exactly that part.
struct PanoramaTile {
  TextureSlot texture;
  PanoramaArea area;
  PanoramaArea textureRect;
};

struct FrameSnapshot {
  // --- Camera inputs
  RotationMatrix device{};           // this frame's device rotation, row-major
  bool deviceSteers = true;          // the motion source has delivered: its matrix can steer the camera
  bool motionNavigation = true;      // navigation mode 0 and the device steers
  bool accelerometerMode = false;    // gravity matrix (accelerometer and compass) instead of fused attitude
  double compassHeading = 0;         // magnetic heading, degrees (0 without a compass reading)
  float fieldOfView = 75;            // vertical, degrees
  float viewRotation = 0;            // extra roll, degrees
  int64_t interfaceOrientation = 0;  // 0 unknown, 1 and 2 portrait, 3 and 4 landscape
  int64_t deviceOrientation = 0;     // how the device is held (legacy camera only)
  float touchYaw = 0;                // drag offsets, drag units (rotatedirection.x and .y)
  float touchPitch = 0;
  float yawDivisor = 1;        // drag units per degree of yaw on the current screen
  float legacyYawDivisor = 1;  // the same for the legacy camera

  // --- Content
  int32_t videoMode = 0;            // 0 sphere, 1 flat, 2 cylinder, 3 stereo pair, 4 over-under content
  float videoAspect = 2.0f;         // width / height of the content, for the flat layout
  int32_t stereomode = 0;           // 0 full frame to both eyes, 1 over-under
  bool hasAsset = false;            // a video asset is attached (frames are video, not a still image)
  PanoramaLayout layout;            // how the picture lies on the sphere
  int32_t displayRotation = 0;      // degrees counter-clockwise a flat picture is turned (0, 90, 180, 270)
  TextureSlot first, second;        // the panorama textures (second: the other half of a pair)
  std::vector<PanoramaTile> tiles;  // a tiled still picture, drawn over the first slot (else empty)
  GLuint rawTexture = 0;            // the raw-frame texture (0: none)

  // --- View and screen
  double viewWidth = 0, viewHeight = 0;      // pixels: the drawable's size
  double screenWidth = 0, screenHeight = 0;  // the main screen's bounds, points
  std::string systemVersion;

  // --- Pass
  bool picking = false;  // a picking pass: hotspots as flat discs, nothing else textured, not presented
};

}  // namespace qv
QV_EXPORT_END
