// How a panorama picture lies on the sphere: its projection, how a stereo picture packs its two eyes, the
// part of the whole sphere an equirectangular picture covers, and the picture's own pose. Files say it in
// their metadata; a host may set it on the view. Plain values; the default is a mono equirectangular
// picture of the whole sphere.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

enum class PanoramaProjection : int32_t {
  Equirectangular = 0,
  CubeMap3x2 = 1,          // six square faces in two rows of three
  EquiAngularCubeMap = 2,  // the 3x2 cube whose faces are sampled at equal angles
  CubeMap6x1 = 3,          // six square faces in one row
};

enum class StereoPacking : int32_t {
  Mono = 0,
  TopBottom = 1,             // the left eye in the upper half
  SideBySide = 2,            // the left eye in the left half
  TopBottomRightFirst = 3,   // the right eye in the upper half
  SideBySideRightFirst = 4,  // the right eye in the left half
};

// How the up and down faces of a cube map are turned; the four side faces are upright in both.
enum class CubeFaceOrientation : int32_t {
  Converter = 0,  // as ffmpeg's v360 filter writes cube maps: the up face's top edge towards the back, the
                  // down face's top edge towards the front
  Metadata = 1,   // as spherical-video metadata declares them: the up face's top edge towards the front, the
                  // down face's top edge towards the back (both turned half a turn from Converter)
};

// A rectangle of a whole equirectangular panorama (or of a texture), as fractions of its width and height:
// x from the left edge (yaw -180), y from the top edge (the zenith).
struct PanoramaArea {
  double left = 0, top = 0, right = 1, bottom = 1;
  bool whole() const { return left == 0 && top == 0 && right == 1 && bottom == 1; }
  bool operator==(const PanoramaArea&) const = default;
};

struct PanoramaLayout {
  PanoramaProjection projection = PanoramaProjection::Equirectangular;
  StereoPacking stereo = StereoPacking::Mono;
  PanoramaArea area;  // equirectangular: where the picture lies in the whole panorama
  double poseYaw = 0, posePitch = 0, poseRoll = 0;  // degrees: how the picture is turned against the world
  // Cube maps (the 3x2 and 6x1 layouts): how the pole faces are turned, and the pixels of padding inside
  // every face's cell on each side (of one eye's picture).
  CubeFaceOrientation cubeFaces = CubeFaceOrientation::Converter;
  int32_t cubePadding = 0;
  bool operator==(const PanoramaLayout&) const = default;
};

// Where a viewer first looks at a panorama, as its file suggests; unlike the pose it does not turn the
// picture. Angles are in the world the pose turns the picture into, with the view's own conventions: the
// heading grows clockwise seen from above (to the right) and 0 is the picture's centre column when the
// pose is zero (a photo sphere's headings are both compass headings, so the view's yaw is the initial
// heading itself, whatever the pose); the pitch grows upwards.
struct PanoramaInitialView {
  double heading = 0;                   // degrees, -360 to 360
  double pitch = 0;                     // degrees, -90 to 90
  std::optional<double> horizontalFov;  // degrees, above 0 and below 180; none: the viewer's own
  bool operator==(const PanoramaInitialView&) const = default;
};

// --- What files say about their panorama, and checking it.

// Why a layout read from a file cannot be shown as it says (an area that is empty, reversed or outside the
// panorama, a pose that is not a finite angle); empty when it can.
std::string panoramaLayoutProblem(const PanoramaLayout& layout);

// Where a mono equirectangular picture of `width` x `height` without metadata lies: a picture flatter than
// 2:1 is taken to cover all 360 degrees of yaw at the same angle per pixel, so it is a band centred on the
// horizon; any other picture covers the whole sphere.
PanoramaArea equirectangularAreaForSize(int64_t width, int64_t height);

// The part of a picture packed as `stereo` that holds one eye (a mono picture gives both eyes all of it).
// A mono view shows the left eye, whichever half holds it.
PanoramaArea stereoEyeArea(StereoPacking stereo, bool rightEye);

// "top-bottom stereo, equirectangular 180" and the like, for the viewer's one line about its content.
std::string describePanoramaLayout(const PanoramaLayout& layout);

}  // namespace qv
QV_EXPORT_END
