#include "qv/os/EglContext.h"

#include <EGL/eglext.h>

#include <mutex>

#include "qv/os/GLES.h"
#include "qv/os/QVLog.h"

namespace qv {

namespace {

EGLenum eglApi(EglContext::Api api) {
  return api == EglContext::Api::GLES1 ? EGL_OPENGL_ES_API : EGL_OPENGL_API;
}

}  // namespace

EGLDisplay EglContext::display() {
  static EGLDisplay display = [] {
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    EGLDisplay d = EGL_NO_DISPLAY;
    if (getPlatformDisplay)
      d = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (d == EGL_NO_DISPLAY) {
      QVLog("EGL: no surfaceless display");
      return EGL_NO_DISPLAY;
    }
    EGLint major = 0, minor = 0;
    if (!eglInitialize(d, &major, &minor)) {
      QVLog("EGL: eglInitialize failed (error 0x%x)", eglGetError());
      return EGL_NO_DISPLAY;
    }
    return d;
  }();
  return display;
}

std::shared_ptr<EglContext> EglContext::create(Api api) {
  EGLDisplay d = display();
  if (d == EGL_NO_DISPLAY) return nullptr;
  if (!eglBindAPI(eglApi(api))) {
    QVLog("EGL: client API not available (error 0x%x)", eglGetError());
    return nullptr;
  }
  const EGLint configAttributes[] = {EGL_SURFACE_TYPE,
                                     EGL_PBUFFER_BIT,
                                     EGL_RENDERABLE_TYPE,
                                     api == Api::GLES1 ? EGL_OPENGL_ES_BIT : EGL_OPENGL_BIT,
                                     EGL_RED_SIZE,
                                     8,
                                     EGL_GREEN_SIZE,
                                     8,
                                     EGL_BLUE_SIZE,
                                     8,
                                     EGL_NONE};
  EGLConfig config = nullptr;
  EGLint count = 0;
  if (!eglChooseConfig(d, configAttributes, &config, 1, &count) || count < 1) {
    QVLog("EGL: no matching config (error 0x%x)", eglGetError());
    return nullptr;
  }
  const EGLint es1Attributes[] = {EGL_CONTEXT_CLIENT_VERSION, 1, EGL_NONE};
  const EGLint glAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                 EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
  EGLContext context =
      eglCreateContext(d, config, EGL_NO_CONTEXT, api == Api::GLES1 ? es1Attributes : glAttributes);
  if (context == EGL_NO_CONTEXT) {
    QVLog("EGL: eglCreateContext failed (error 0x%x)", eglGetError());
    return nullptr;
  }
  return std::shared_ptr<EglContext>(new EglContext(context, api));
}

EglContext::~EglContext() {
  eglDestroyContext(display(), context_);
}

bool EglContext::bindToThread() {
  eglBindAPI(eglApi(api_));
  if (!eglMakeCurrent(display(), EGL_NO_SURFACE, EGL_NO_SURFACE, context_)) {
    QVLog("EGL: eglMakeCurrent failed (error 0x%x)", eglGetError());
    return false;
  }
  if (api_ == Api::GLES1) oes::load();
  return true;
}

void EglContext::unbindFromThread() {
  eglBindAPI(eglApi(api_));
  eglMakeCurrent(display(), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

}  // namespace qv
