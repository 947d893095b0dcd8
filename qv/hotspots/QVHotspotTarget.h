// What a hotspot's target hears besides its action: the view centre coming to rest on the hotspot and
// leaving it again (focus mode). Both are posted to the main queue and default to doing nothing, so a
// target that only wants taps overrides neither. The hotspot refers to its target weakly.
#pragma once

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class QVHotspot;

class QVHotspotTarget {
 public:
  virtual ~QVHotspotTarget() = default;
  virtual void onHotspotFocusIn(QVHotspot*) {}
  virtual void onHotspotFocusOut(QVHotspot*) {}
};

}  // namespace qv
QV_EXPORT_END
