// A hotspot as the host sees it: an image or live view placed on the panorama sphere that reports taps
// (the action given to addTarget) and, in focus mode, the view centre resting on it (the target's focus
// messages). Hosts obtain hotspots from QVViewGL::createHotspot / createHotspotWithView; main thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class QVHotspotTarget;

class QVHotspot {
 public:
  // Called on the main queue with the hotspot tapped, only while the target is alive. Capture the target
  // weakly (or not at all): the hotspot must never keep its host alive.
  using Action = std::function<void(QVHotspot*)>;

  virtual ~QVHotspot() = default;
  virtual void setSize(float radius) = 0;       // drawn half-height is radius x 1.2
  virtual void setHitRadius(float radius) = 0;  // radius of the picking disc
  virtual void setCoordinates(float horizontal, float vertical, float unused) = 0;  // degrees
  virtual void setTag(int32_t tag) = 0;
  virtual int32_t getTag() const = 0;
  virtual void addTarget(std::weak_ptr<QVHotspotTarget> target, Action action) = 0;
  virtual void setAlpha(float alpha) = 0;
  virtual float getAlpha() const = 0;
  virtual void animate() = 0;  // one pulse of the drawn size
  virtual int32_t getState() const = 0;
};

}  // namespace qv
QV_EXPORT_END
