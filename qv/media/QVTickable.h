// Something the host's sound system advances once per tick of its clock.
// Destroyed only through its own concrete type, never through this base.
#pragma once

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class QVTickable {
 public:
  virtual void Tick(float elapsed) = 0;  // elapsed: seconds since the last tick

 protected:
  ~QVTickable() = default;
};

}  // namespace qv
QV_EXPORT_END
