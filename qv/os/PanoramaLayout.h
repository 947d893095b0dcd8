// How a panorama picture lies on the sphere: its projection, how a stereo picture packs its two eyes, the
// part of the whole sphere an equirectangular picture covers, and the picture's own pose. Files say it in
// their metadata; a host may set it on the view. Plain values; the default is a mono equirectangular
// picture of the whole sphere.
#pragma once

#include <cstdint>

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
  TopBottom = 1,   // the left eye in the upper half
  SideBySide = 2,  // the left eye in the left half
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
  bool operator==(const PanoramaLayout&) const = default;
};

}  // namespace qv
QV_EXPORT_END
