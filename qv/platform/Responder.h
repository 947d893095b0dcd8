// A link in the responder chain: every object that can answer events names the one after it. Views and
// view controllers say what they are so that a view can find the controller that owns it. The host's
// objects and the kit's view implement it; nothing here owns the chain.
#pragma once

#include <memory>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class Responder {
 public:
  enum class Kind {
    Other,           // anything else (the application, a window)
    View,            // a view: its chain continues
    ViewController,  // a controller: the lookup ends here
  };

  virtual ~Responder() = default;

  // The next object in the chain, or nullptr at the end.
  virtual std::shared_ptr<Responder> nextResponder() const = 0;
  virtual Kind responderKind() const { return Kind::Other; }
};

}  // namespace qv
QV_EXPORT_END
