// A GL ES 1.x rendering context that can be made current on one thread at a time.
// The kit creates contexts through GLContext::create(), which uses EGL unless the host has installed its
// own factory (the viewer program hands over its window's context that way). Each thread has at most one
// current context; GLContext::current() and GLContext::setCurrent() are the per-thread queries.
#pragma once

#include <functional>
#include <memory>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class GLContext : public std::enable_shared_from_this<GLContext> {
 public:
  using Factory = std::function<std::shared_ptr<GLContext>()>;

  virtual ~GLContext() = default;

  // A new GL ES 1.x context from the installed factory, or nullptr when none can be made.
  static std::shared_ptr<GLContext> create();
  // Installs the host's factory; an empty function restores the EGL default.
  static void setFactory(Factory factory);

  // The calling thread's current context, or nullptr.
  static std::shared_ptr<GLContext> current();
  // Makes `context` current on the calling thread (nullptr releases the thread's context).
  // Returns false when the context could not be made current; the thread then has none.
  static bool setCurrent(const std::shared_ptr<GLContext>& context);

 protected:
  // Binds this context to the calling thread / unbinds whatever the thread has bound.
  virtual bool bindToThread() = 0;
  virtual void unbindFromThread() = 0;
};

}  // namespace qv
QV_EXPORT_END
