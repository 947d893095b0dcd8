#include "qv/os/GLContext.h"

#include <mutex>

#include "qv/os/EglContext.h"

namespace qv {

namespace {

std::mutex factoryLock;
GLContext::Factory installedFactory;

// The thread's current context. A strong reference, as the platform keeps: a context stays alive while
// it is current somewhere.
thread_local std::shared_ptr<GLContext> threadCurrent;

}  // namespace

std::shared_ptr<GLContext> GLContext::create() {
  Factory factory;
  {
    std::lock_guard<std::mutex> guard(factoryLock);
    factory = installedFactory;
  }
  return factory ? factory() : EglContext::create();
}

void GLContext::setFactory(Factory factory) {
  std::lock_guard<std::mutex> guard(factoryLock);
  installedFactory = std::move(factory);
}

std::shared_ptr<GLContext> GLContext::current() {
  return threadCurrent;
}

bool GLContext::setCurrent(const std::shared_ptr<GLContext>& context) {
  if (context == threadCurrent) return true;
  if (threadCurrent) threadCurrent->unbindFromThread();
  threadCurrent.reset();
  if (!context) return true;
  if (!context->bindToThread()) return false;
  threadCurrent = context;
  return true;
}

}  // namespace qv
