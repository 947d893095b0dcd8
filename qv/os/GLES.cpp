#include "qv/os/GLES.h"

#include <EGL/egl.h>

#include <mutex>

#include "qv/os/QVLog.h"

namespace qv {

namespace oes {

PFNGLGENFRAMEBUFFERSOESPROC glGenFramebuffersOES;
PFNGLDELETEFRAMEBUFFERSOESPROC glDeleteFramebuffersOES;
PFNGLBINDFRAMEBUFFEROESPROC glBindFramebufferOES;
PFNGLCHECKFRAMEBUFFERSTATUSOESPROC glCheckFramebufferStatusOES;
PFNGLFRAMEBUFFERRENDERBUFFEROESPROC glFramebufferRenderbufferOES;
PFNGLFRAMEBUFFERTEXTURE2DOESPROC glFramebufferTexture2DOES;
PFNGLGENRENDERBUFFERSOESPROC glGenRenderbuffersOES;
PFNGLDELETERENDERBUFFERSOESPROC glDeleteRenderbuffersOES;
PFNGLBINDRENDERBUFFEROESPROC glBindRenderbufferOES;
PFNGLRENDERBUFFERSTORAGEOESPROC glRenderbufferStorageOES;
PFNGLGETRENDERBUFFERPARAMETERIVOESPROC glGetRenderbufferParameterivOES;
PFNGLISFRAMEBUFFEROESPROC glIsFramebufferOES;
PFNGLISRENDERBUFFEROESPROC glIsRenderbufferOES;
PFNGLGENERATEMIPMAPOESPROC glGenerateMipmapOES;

namespace {

template <typename T>
bool resolve(T& entry, const char* name) {
  entry = reinterpret_cast<T>(eglGetProcAddress(name));
  if (!entry) QVLog("GL ES: entry point %s not found", name);
  return entry != nullptr;
}

}  // namespace

bool load() {
  static bool loaded = [] {
    bool ok = true;
    ok &= resolve(glGenFramebuffersOES, "glGenFramebuffersOES");
    ok &= resolve(glDeleteFramebuffersOES, "glDeleteFramebuffersOES");
    ok &= resolve(glBindFramebufferOES, "glBindFramebufferOES");
    ok &= resolve(glCheckFramebufferStatusOES, "glCheckFramebufferStatusOES");
    ok &= resolve(glFramebufferRenderbufferOES, "glFramebufferRenderbufferOES");
    ok &= resolve(glFramebufferTexture2DOES, "glFramebufferTexture2DOES");
    ok &= resolve(glGenRenderbuffersOES, "glGenRenderbuffersOES");
    ok &= resolve(glDeleteRenderbuffersOES, "glDeleteRenderbuffersOES");
    ok &= resolve(glBindRenderbufferOES, "glBindRenderbufferOES");
    ok &= resolve(glRenderbufferStorageOES, "glRenderbufferStorageOES");
    ok &= resolve(glGetRenderbufferParameterivOES, "glGetRenderbufferParameterivOES");
    ok &= resolve(glIsFramebufferOES, "glIsFramebufferOES");
    ok &= resolve(glIsRenderbufferOES, "glIsRenderbufferOES");
    ok &= resolve(glGenerateMipmapOES, "glGenerateMipmapOES");
    return ok;
  }();
  return loaded;
}

}  // namespace oes

}  // namespace qv
