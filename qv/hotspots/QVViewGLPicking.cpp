// The picking pass's dispatch: the colour read back is offered to every hotspot in insertion order.
#include "qv/core/QVViewGL.h"
#include "qv/hotspots/QVHotspotImpl.h"

void QVViewGL::dispatchPick(int32_t red, int32_t green, int32_t blue) {
  for (auto& hotspot : hotspots) {
    if (hotspot->hitWithRed(red, green, blue)) {
      if (bHitOnFocus) {
        hotspot->triggerFocusIn();
        hotspot->setHover(true);
      } else {
        hotspot->trigger();
      }
    } else if (hotspot->hover()) {
      hotspot->setHover(false);
      hotspot->triggerFocusOut();
    }
  }
}
