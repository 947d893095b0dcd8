// The photo-sphere properties of a JPEG's XMP packet (APP1, "http://ns.adobe.com/xap/1.0/"): the projection,
// where a cropped picture lies in the full panorama, and the pose. Internal to the kit's image input.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "qv/os/PanoramaLayout.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class PhotoSphereXmp {
 public:
  // The layout the JPEG's photo-sphere properties give; none when it has none, and none with one log line
  // naming `nameForLog` when they cannot be shown as they say (an unknown projection, a crop that does not
  // fit the full panorama, a pose that is no angle).
  static std::optional<PanoramaLayout> read(std::span<const uint8_t> jpeg, const std::string& nameForLog);
  // The initial view the photo-sphere properties suggest (InitialViewHeadingDegrees, ...PitchDegrees,
  // InitialHorizontalFOVDegrees); none when they name none, and none with one log line when a value is not
  // a finite angle in its range.
  static std::optional<PanoramaInitialView> readInitialView(std::span<const uint8_t> jpeg,
                                                            const std::string& nameForLog);

  // The XMP packet of a JPEG (the first APP1 segment with the XMP signature), empty when it has none.
  static std::string_view packet(std::span<const uint8_t> jpeg);
  // The value of a GPano property in an XMP packet, written as an attribute or as an element.
  static std::optional<std::string> property(std::string_view packet, std::string_view name);
};

}  // namespace qv
QV_EXPORT_END
