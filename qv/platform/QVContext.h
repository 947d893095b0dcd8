// The registry of the one GL ES rendering context that all of the kit's GL work shares: drawables, frames
// and texture uploads from the media thread. getEAGLContext() hands it out and makes it current on the
// calling thread; clearContexts() forgets it so that the next user starts with a fresh one. The registry is
// guarded by its own mutex; glLock() is the single lock that keeps two threads from issuing GL on the
// shared context at once (every view's textureUsageLock is this lock).
#pragma once

#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "qv/os/GLContext.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class QVContext {
 public:
  static QVContext& getInstance();

  // The shared context, made current on the calling thread (nullptr when none can be created).
  static std::shared_ptr<GLContext> getEAGLContext();
  static std::shared_ptr<GLContext> getCurrentContext();
  // Forgets the shared context; the calling thread's current context is cleared only when it is the
  // shared one (a host's own context stays current).
  static void clearContexts();
  // True when the major system version is above 4.
  static bool isiOS50();

  // Views that use the shared context register for their lifetime; the last one to go clears the
  // registry and releases the context, so one view's teardown never pulls the context from under another
  // live view and no context outlives the views.
  static void attachView();
  static void detachView();
  static int attachedViews();

  // The lock guarding GL work on the shared context (not recursive).
  static std::mutex& glLock();

 private:
  QVContext() { threadContexts.reserve(120); }
  std::shared_ptr<GLContext> _getEAGLContext();
  void _clearContexts();

  std::mutex registryLock_;
  std::unordered_map<std::thread::id, std::shared_ptr<GLContext>> threadContexts;  // guarded by registryLock_
  std::shared_ptr<GLContext> sharedContext_;                                       // guarded by registryLock_
  int views_ = 0;                                                                  // guarded by registryLock_
};

// Saves the calling thread's current context, makes the shared context current, and restores the saved
// one when it goes out of scope, on every path. ok() tells whether the shared context is current.
class SharedContextScope {
 public:
  SharedContextScope();
  ~SharedContextScope();
  SharedContextScope(const SharedContextScope&) = delete;
  SharedContextScope& operator=(const SharedContextScope&) = delete;
  bool ok() const { return shared_ != nullptr; }
  const std::shared_ptr<GLContext>& shared() const { return shared_; }

 private:
  std::shared_ptr<GLContext> saved_;
  std::shared_ptr<GLContext> shared_;
};

}  // namespace qv
QV_EXPORT_END
