// What the host set on the view that the frame reads: the camera's settings and the content layout. Plain
// values written by the view's setters and read by its frame loop; main thread only.
#pragma once

#include <cstdint>

#include "qv/os/PanoramaLayout.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

struct ViewSettings {
  int32_t navigationMode = 0;        // 0 motion navigation, other: touch only
  float fieldofview = 75.0f;         // vertical field of view, degrees
  float viewRotation = 0;            // extra roll, degrees
  int64_t interfaceOrientation = 0;  // 0 unknown, 1 and 2 portrait, 3 and 4 landscape
  int32_t _videoMode = 0;            // a ViewMode value
  float _videoAspect = 2.0f;         // content width / height, for the flat layout
  bool isStereo = false;             // side-by-side pair for a headset
  bool legacy = false;               // only the legacy layout is drawn (old system versions)
  bool bHitOnFocus = false;          // a picking pass at the view centre every frame (focus mode)
  bool hasAsset = false;             // a video asset is attached: its frames, not a still image, are shown
  PanoramaLayout panoramaLayout;     // how the picture lies on the sphere
  int32_t displayRotation = 0;       // the asset's display matrix: degrees counter-clockwise, flat layout
  bool hostPanoramaLayout = false;  // the host set panoramaLayout: the content's metadata does not replace it
};

}  // namespace qv
QV_EXPORT_END
