// What a host's responder implements to hear about taps on the view: a touch that ends without moving.
// A responder that does not implement it is tolerated; the tap is then dropped.
#pragma once

#include "qv/platform/Responder.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class QVViewResponder : public virtual Responder {
 public:
  virtual void viewWasTouched() = 0;
};

}  // namespace qv
QV_EXPORT_END
