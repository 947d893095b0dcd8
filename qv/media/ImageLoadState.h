// How far a still image loaded from a file has come (QVViewGL::loadImage), with the names log lines and
// hosts use for the states.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "qv/os/PanoramaLayout.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

enum class ImageLoadState : int32_t {
  None = 0,     // nothing loading: no file given, or the load was replaced or stopped
  Preview = 1,  // a low-resolution whole picture is shown; the full resolution is on its way
  Full = 2,     // the full resolution is shown
  Failed = 3,   // the file could not be shown; the previous picture stays, the reason says why
};

// What a loaded still image is, known from its header on (before the preview is shown).
struct LoadedImageInfo {
  int32_t width = 0, height = 0;                   // pixels
  bool panoramaMetadata = false;                   // its layout came from the file's photo-sphere metadata
  std::optional<PanoramaInitialView> initialView;  // where its metadata suggests a viewer first looks
};

// "none", "preview", "full", "failed"; "unknown" for any other value.
std::string_view imageLoadStateName(ImageLoadState state);

}  // namespace qv
QV_EXPORT_END
