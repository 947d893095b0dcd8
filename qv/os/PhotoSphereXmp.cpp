#include "qv/os/PhotoSphereXmp.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "qv/os/QVLog.h"

namespace qv {

namespace {

constexpr std::string_view kXmpSignature{"http://ns.adobe.com/xap/1.0/\0", 29};

std::optional<double> number(std::string_view packet, std::string_view name) {
  const std::optional<std::string> text = PhotoSphereXmp::property(packet, name);
  if (!text) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(text->c_str(), &end);
  if (end == text->c_str()) return std::nan("");  // present but not a number: as bad as NaN
  return value;
}

std::string trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(" \t\r\n");
  return std::string(text.substr(first, last - first + 1));
}

// Where the crop lies in the full panorama; the problem when it does not fit.
std::string readCrop(std::string_view packet, PanoramaArea& area) {
  const auto fullWidth = number(packet, "FullPanoWidthPixels"),
             fullHeight = number(packet, "FullPanoHeightPixels");
  const auto width = number(packet, "CroppedAreaImageWidthPixels");
  const auto height = number(packet, "CroppedAreaImageHeightPixels");
  const auto left = number(packet, "CroppedAreaLeftPixels"), top = number(packet, "CroppedAreaTopPixels");
  if (!fullWidth && !fullHeight && !width && !height && !left && !top) return {};
  if (!fullWidth || !fullHeight || !width || !height) return "incomplete crop";
  for (double value : {*fullWidth, *fullHeight, *width, *height, left.value_or(0), top.value_or(0)}) {
    if (!std::isfinite(value) || value < 0) return "crop is not a size";
  }
  if (*fullWidth <= 0 || *fullHeight <= 0 || *width <= 0 || *height <= 0) return "empty crop";
  const double x = left.value_or(0), y = top.value_or(0);
  if (x + *width > *fullWidth || y + *height > *fullHeight) return "crop larger than the full panorama";
  area = {x / *fullWidth, y / *fullHeight, (x + *width) / *fullWidth, (y + *height) / *fullHeight};
  return {};
}

}  // namespace

std::string_view PhotoSphereXmp::packet(std::span<const uint8_t> bytes) {
  size_t at = 2;  // after SOI
  while (at + 4 <= bytes.size()) {
    if (bytes[at] != 0xFF) break;
    const uint8_t marker = bytes[at + 1];
    if (marker == 0xFF) {
      ++at;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) break;
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
      at += 2;
      continue;
    }
    const size_t length = size_t(bytes[at + 2]) << 8 | bytes[at + 3];
    if (length < 2 || at + 2 + length > bytes.size()) break;
    const std::string_view payload(reinterpret_cast<const char*>(bytes.data() + at + 4), length - 2);
    if (marker == 0xE1 && payload.starts_with(kXmpSignature)) return payload.substr(kXmpSignature.size());
    at += 2 + length;
  }
  return {};
}

std::optional<std::string> PhotoSphereXmp::property(std::string_view packet, std::string_view name) {
  const std::string qualified = "GPano:" + std::string(name);
  // Attribute form: GPano:Name="value" (or single quotes).
  for (size_t at = packet.find(qualified); at != std::string_view::npos;
       at = packet.find(qualified, at + 1)) {
    size_t after = at + qualified.size();
    const bool element = at > 0 && packet[at - 1] == '<';
    while (after < packet.size() && (packet[after] == ' ' || packet[after] == '\t')) ++after;
    if (element) {
      if (after >= packet.size() || packet[after] != '>') continue;
      const size_t close = packet.find("</" + qualified, after);
      if (close == std::string_view::npos) return std::nullopt;
      return trimmed(packet.substr(after + 1, close - after - 1));
    }
    if (after + 1 >= packet.size() || packet[after] != '=') continue;
    ++after;
    while (after < packet.size() && (packet[after] == ' ' || packet[after] == '\t')) ++after;
    if (after >= packet.size() || (packet[after] != '"' && packet[after] != '\'')) continue;
    const size_t end = packet.find(packet[after], after + 1);
    if (end == std::string_view::npos) return std::nullopt;
    return trimmed(packet.substr(after + 1, end - after - 1));
  }
  return std::nullopt;
}

std::optional<PanoramaLayout> PhotoSphereXmp::read(std::span<const uint8_t> jpeg, const std::string& name) {
  const std::string_view xmp = packet(jpeg);
  if (xmp.empty()) return std::nullopt;
  const std::optional<std::string> projection = property(xmp, "ProjectionType");
  if (!projection) return std::nullopt;
  PanoramaLayout layout;
  std::string problem;
  if (*projection != "equirectangular") problem = "unknown projection " + *projection;
  if (problem.empty()) problem = readCrop(xmp, layout.area);
  if (problem.empty()) {
    layout.poseYaw = number(xmp, "PoseHeadingDegrees").value_or(0);
    layout.posePitch = number(xmp, "PosePitchDegrees").value_or(0);
    layout.poseRoll = number(xmp, "PoseRollDegrees").value_or(0);
    problem = panoramaLayoutProblem(layout);
  }
  if (!problem.empty()) {
    QVLog("Image %s: panorama metadata ignored (%s)", name.c_str(), problem.c_str());
    return std::nullopt;
  }
  return layout;
}

std::optional<PanoramaInitialView> PhotoSphereXmp::readInitialView(std::span<const uint8_t> jpeg,
                                                                   const std::string& name) {
  const std::string_view xmp = packet(jpeg);
  if (xmp.empty()) return std::nullopt;
  const auto heading = number(xmp, "InitialViewHeadingDegrees");
  const auto pitch = number(xmp, "InitialViewPitchDegrees");
  const auto fov = number(xmp, "InitialHorizontalFOVDegrees");
  if (!heading && !pitch && !fov) return std::nullopt;
  // NaN fails every comparison, so it is out of every range.
  const char* problem = nullptr;
  if (heading && !(*heading >= -360 && *heading <= 360)) problem = "heading is not an angle from -360 to 360";
  if (pitch && !(*pitch >= -90 && *pitch <= 90)) problem = "pitch is not an angle from -90 to 90";
  if (fov && !(*fov > 0 && *fov < 180)) problem = "field of view is not an angle between 0 and 180";
  if (problem) {
    QVLog("Image %s: initial view ignored (%s)", name.c_str(), problem);
    return std::nullopt;
  }
  return PanoramaInitialView{heading.value_or(0), pitch.value_or(0), fov};
}

}  // namespace qv
