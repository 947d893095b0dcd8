#include "qv/os/av/SphericalSideData.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/spherical.h>
#include <libavutil/stereo3d.h>
}

#include <cmath>
#include <string>

#include "qv/os/QVLog.h"
#include "qv/os/av/SphericalCubeMap.h"

namespace qv {

namespace {

const uint8_t* sideData(const AVStream* stream, AVPacketSideDataType type, size_t minimumSize) {
  for (int i = 0; i < stream->nb_side_data; ++i) {
    const AVPacketSideData& data = stream->side_data[i];
    if (data.type == type) return data.size >= minimumSize ? data.data : nullptr;
  }
  return nullptr;
}

// The bounds are 0.32 fixed-point fractions of the whole panorama, measured inwards from each edge.
std::string applyBounds(const AVSphericalMapping& mapping, PanoramaArea& area) {
  const double unit = 4294967296.0;
  const double left = mapping.bound_left / unit, right = mapping.bound_right / unit;
  const double top = mapping.bound_top / unit, bottom = mapping.bound_bottom / unit;
  if (left + right >= 1 || top + bottom >= 1) return "bounds overlap";
  area = {left, top, 1 - right, 1 - bottom};
  return {};
}

std::string readMapping(const AVSphericalMapping& mapping, PanoramaLayout& layout) {
  switch (mapping.projection) {
    case AV_SPHERICAL_EQUIRECTANGULAR:
      break;
    case AV_SPHERICAL_EQUIRECTANGULAR_TILE: {
      std::string problem = applyBounds(mapping, layout.area);
      if (!problem.empty()) return problem;
      break;
    }
    case AV_SPHERICAL_CUBEMAP:
      if (!applySphericalCubeMap(mapping, layout)) return "cube-map padding too large";
      break;
    default:
      return "unknown projection " + std::to_string(int(mapping.projection));
  }
  // 16.16 fixed point degrees.
  layout.poseYaw = mapping.yaw / 65536.0;
  layout.posePitch = mapping.pitch / 65536.0;
  layout.poseRoll = mapping.roll / 65536.0;
  return {};
}

std::string readStereo(const AVStereo3D& stereo, PanoramaLayout& layout) {
  const bool rightFirst = stereo.flags & AV_STEREO3D_FLAG_INVERT;
  switch (stereo.type) {
    case AV_STEREO3D_2D:
      layout.stereo = StereoPacking::Mono;
      return {};
    case AV_STEREO3D_TOPBOTTOM:
      layout.stereo = rightFirst ? StereoPacking::TopBottomRightFirst : StereoPacking::TopBottom;
      return {};
    case AV_STEREO3D_SIDEBYSIDE:
      layout.stereo = rightFirst ? StereoPacking::SideBySideRightFirst : StereoPacking::SideBySide;
      return {};
    default:
      return "unsupported stereo packing " + std::to_string(int(stereo.type));
  }
}

int32_t displayRotationOf(const AVStream* stream) {
  const uint8_t* matrix = sideData(stream, AV_PKT_DATA_DISPLAYMATRIX, 9 * sizeof(int32_t));
  if (!matrix) return 0;
  const double degrees = av_display_rotation_get(reinterpret_cast<const int32_t*>(matrix));
  if (!std::isfinite(degrees)) return 0;
  const int32_t quarter = int32_t(std::lround(degrees / 90.0));
  return ((quarter % 4) + 4) % 4 * 90;
}

}  // namespace

StreamPanorama readStreamPanorama(const AVStream* stream, const char* nameForLog) {
  StreamPanorama result;
  result.displayRotation = displayRotationOf(stream);
  const uint8_t* spherical = sideData(stream, AV_PKT_DATA_SPHERICAL, sizeof(AVSphericalMapping));
  const uint8_t* stereo = sideData(stream, AV_PKT_DATA_STEREO3D, sizeof(AVStereo3D));
  if (!spherical && !stereo) return result;
  PanoramaLayout layout;
  std::string problem;
  if (spherical) problem = readMapping(*reinterpret_cast<const AVSphericalMapping*>(spherical), layout);
  if (problem.empty() && stereo) problem = readStereo(*reinterpret_cast<const AVStereo3D*>(stereo), layout);
  if (problem.empty()) problem = panoramaLayoutProblem(layout);
  if (!problem.empty()) {
    QVLog("%s: panorama metadata ignored (%s)", nameForLog, problem.c_str());
    return result;
  }
  result.layout = layout;
  return result;
}

}  // namespace qv
