// The kit's public factory: panorama views and video assets.
#pragma once

#include <memory>

#include "qv/core/QVViewGL.h"

class QVObjectFactory {
 public:
  // A new panorama view of the given frame (points), or nullptr.
  static std::shared_ptr<QVViewGL> viewWithFrame(QVRect frame) { return QVViewGL::create(frame); }
};
