#include "qv/platform/QVContext.h"

#include <cstdlib>
#include <string>

#include "qv/os/Environment.h"

namespace qv {

QVContext& QVContext::getInstance() {
  static QVContext* instance = new QVContext();  // never freed, like the platform's singleton
  return *instance;
}

std::shared_ptr<GLContext> QVContext::getEAGLContext() {
  auto context = getInstance()._getEAGLContext();
  if (context && !GLContext::setCurrent(context)) return nullptr;
  return context;
}

std::shared_ptr<GLContext> QVContext::getCurrentContext() {
  return GLContext::current();
}

void QVContext::clearContexts() {
  getInstance()._clearContexts();
}

bool QVContext::isiOS50() {
  std::string version = Environment::current().systemVersion();
  std::string major = version.substr(0, version.find('.'));
  return std::atoi(major.c_str()) > 4;
}

std::shared_ptr<GLContext> QVContext::_getEAGLContext() {
  std::lock_guard<std::mutex> guard(registryLock_);
  auto key = std::this_thread::get_id();
  auto found = threadContexts.find(key);
  if (found != threadContexts.end()) return found->second;
  if (threadContexts.empty()) sharedContext_.reset();
  if (!sharedContext_) {
    sharedContext_ = GLContext::create();
    if (sharedContext_) threadContexts[key] = sharedContext_;
  }
  return sharedContext_;
}

void QVContext::_clearContexts() {
  std::shared_ptr<GLContext> shared;
  {
    std::lock_guard<std::mutex> guard(registryLock_);
    threadContexts.clear();
    threadContexts.reserve(120);
    shared = sharedContext_;
  }
  if (shared && GLContext::current() == shared) GLContext::setCurrent(nullptr);
}

void QVContext::attachView() {
  auto& registry = getInstance();
  std::lock_guard<std::mutex> guard(registry.registryLock_);
  ++registry.views_;
}

void QVContext::detachView() {
  auto& registry = getInstance();
  bool last;
  {
    std::lock_guard<std::mutex> guard(registry.registryLock_);
    last = registry.views_ > 0 && --registry.views_ == 0;
  }
  if (!last) return;
  clearContexts();
  // The last view is gone: release the context itself rather than keep it until the next view asks.
  std::shared_ptr<GLContext> released;
  {
    std::lock_guard<std::mutex> guard(registry.registryLock_);
    if (registry.views_ == 0 && registry.threadContexts.empty())
      released = std::move(registry.sharedContext_);
  }
}

int QVContext::attachedViews() {
  auto& registry = getInstance();
  std::lock_guard<std::mutex> guard(registry.registryLock_);
  return registry.views_;
}

std::mutex& QVContext::glLock() {
  static std::mutex* lock = new std::mutex();
  return *lock;
}

SharedContextScope::SharedContextScope() : saved_(QVContext::getCurrentContext()) {
  shared_ = QVContext::getEAGLContext();
}

SharedContextScope::~SharedContextScope() {
  GLContext::setCurrent(saved_);
}

}  // namespace qv
