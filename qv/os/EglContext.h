// The default GLContext: an EGL context on Mesa's surfaceless platform (no display, no window), so the
// kit renders into framebuffer objects anywhere. The EGL display is opened once per process and kept.
#pragma once

#include <EGL/egl.h>

#include <memory>

#include "qv/os/GLContext.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class EglContext : public GLContext {
 public:
  enum class Api { GLES1, DesktopGL };

  // nullptr when EGL or the API is unavailable (a log line says why).
  static std::shared_ptr<EglContext> create(Api api = Api::GLES1);
  // The process's surfaceless EGL display, or EGL_NO_DISPLAY.
  static EGLDisplay display();

  ~EglContext() override;
  EglContext(const EglContext&) = delete;
  EglContext& operator=(const EglContext&) = delete;

  Api api() const { return api_; }

 protected:
  bool bindToThread() override;
  void unbindFromThread() override;

 private:
  EglContext(EGLContext context, Api api) : context_(context), api_(api) {}

  EGLContext context_;
  Api api_;
};

}  // namespace qv
QV_EXPORT_END
