// The content layouts a view can show (its _videoMode), with the names hosts and log lines use for them.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

enum class ViewMode : int32_t {
  Sphere = 0,      // equirectangular content on the inside of a sphere
  Flat = 1,        // the frame flat on the screen, letterboxed
  Cylinder = 2,    // the frame around an open cylinder
  StereoPair = 3,  // side-by-side stereo, the same picture for both eyes
  OverUnder = 4,   // over-under stereo content on the sphere (upper half left eye, lower half right)
};

// "sphere", "flat", "cylinder", "stereo", "over-under"; "unknown" for any other value.
std::string_view viewModeName(int32_t mode);
std::optional<int32_t> viewModeFromName(std::string_view name);
// Cycles sphere -> cylinder -> flat -> sphere; any other layout continues with the cylinder.
int32_t nextViewMode(int32_t mode);

// How the view is steered (its navigationMode); any value other than Motion means touch only.
enum class NavigationMode : int32_t {
  Motion = 0,  // the device's attitude (or accelerometer and compass), plus drags
  Touch = 1,   // drags only
};

// How the host's interface is turned on the screen (setInterfaceOrientation).
enum class InterfaceOrientation : int64_t {
  Unknown = 0,
  Portrait = 1,
  PortraitUpsideDown = 2,
  LandscapeLeft = 3,
  LandscapeRight = 4,
};

}  // namespace qv
QV_EXPORT_END
