#include "qv/os/PanoramaLayout.h"

#include <cmath>
#include <cstdio>

namespace qv {

std::string panoramaLayoutProblem(const PanoramaLayout& layout) {
  const PanoramaArea& a = layout.area;
  for (double edge : {a.left, a.top, a.right, a.bottom}) {
    if (!std::isfinite(edge) || edge < 0 || edge > 1) return "covered area outside the panorama";
  }
  if (a.left >= a.right || a.top >= a.bottom) return "covered area empty or reversed";
  for (double angle : {layout.poseYaw, layout.posePitch, layout.poseRoll}) {
    if (!std::isfinite(angle) || std::fabs(angle) > 360) return "pose is not an angle";
  }
  return {};
}

PanoramaArea equirectangularAreaForSize(int64_t width, int64_t height) {
  PanoramaArea area;
  if (width <= 0 || height <= 0 || height * 2 >= width) return area;
  // The picture's height is height / width of the 360-degree circumference; the whole panorama's is half.
  const double half = double(height) / double(width);
  area.top = 0.5 - half;
  area.bottom = 0.5 + half;
  return area;
}

PanoramaArea stereoEyeArea(StereoPacking stereo, bool rightEye) {
  const bool rightFirst =
      stereo == StereoPacking::TopBottomRightFirst || stereo == StereoPacking::SideBySideRightFirst;
  const bool secondHalf = rightEye != rightFirst;
  const double from = secondHalf ? 0.5 : 0, to = secondHalf ? 1 : 0.5;
  switch (stereo) {
    case StereoPacking::TopBottom:
    case StereoPacking::TopBottomRightFirst:
      return {0, from, 1, to};
    case StereoPacking::SideBySide:
    case StereoPacking::SideBySideRightFirst:
      return {from, 0, to, 1};
    case StereoPacking::Mono:
      break;
  }
  return {};
}

std::string describePanoramaLayout(const PanoramaLayout& layout) {
  std::string text;
  switch (layout.stereo) {
    case StereoPacking::TopBottom:
      text = "top-bottom stereo, ";
      break;
    case StereoPacking::SideBySide:
      text = "side-by-side stereo, ";
      break;
    case StereoPacking::TopBottomRightFirst:
      text = "top-bottom stereo (right eye first), ";
      break;
    case StereoPacking::SideBySideRightFirst:
      text = "side-by-side stereo (right eye first), ";
      break;
    case StereoPacking::Mono:
      text = "mono, ";
      break;
  }
  switch (layout.projection) {
    case PanoramaProjection::CubeMap3x2:
      return text + "cube map 3x2";
    case PanoramaProjection::EquiAngularCubeMap:
      return text + "equi-angular cube map";
    case PanoramaProjection::CubeMap6x1:
      return text + "cube map 6x1";
    case PanoramaProjection::Equirectangular:
      break;
  }
  const PanoramaArea& a = layout.area;
  const double wide = (a.right - a.left) * 360, high = (a.bottom - a.top) * 180;
  if (a.whole()) return text + "equirectangular 360";
  char angles[64];
  if (std::fabs(high - 180) < 1e-6) {
    std::snprintf(angles, sizeof angles, "equirectangular %.0f", wide);
  } else {
    std::snprintf(angles, sizeof angles, "equirectangular %.0f x %.0f degrees", wide, high);
  }
  return text + angles;
}

}  // namespace qv
