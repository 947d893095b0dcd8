// What a hotspot's target hears besides its action: the view centre coming to rest on the hotspot and
// leaving it again (focus mode). Both are posted to the main queue and default to doing nothing, so a
// target that only wants taps overrides neither. The hotspot refers to its target weakly.
#pragma once

class QVHotspot;

class QVHotspotTarget {
 public:
  virtual ~QVHotspotTarget() = default;
  virtual void onHotspotFocusIn(QVHotspot*) {}
  virtual void onHotspotFocusOut(QVHotspot*) {}
};
