// OpenGL ES 1.1 with the OES framebuffer-object and mipmap extensions. libGLESv1_CM does not export the
// extension entry points, so they are loaded once through eglGetProcAddress (oes::load, called whenever a
// GL ES context is made current) and called through this namespace: oes::glGenFramebuffersOES(...).
#pragma once

#include <GLES/gl.h>
#include <GLES/glext.h>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

namespace oes {

extern PFNGLGENFRAMEBUFFERSOESPROC glGenFramebuffersOES;
extern PFNGLDELETEFRAMEBUFFERSOESPROC glDeleteFramebuffersOES;
extern PFNGLBINDFRAMEBUFFEROESPROC glBindFramebufferOES;
extern PFNGLCHECKFRAMEBUFFERSTATUSOESPROC glCheckFramebufferStatusOES;
extern PFNGLFRAMEBUFFERRENDERBUFFEROESPROC glFramebufferRenderbufferOES;
extern PFNGLFRAMEBUFFERTEXTURE2DOESPROC glFramebufferTexture2DOES;
extern PFNGLGENRENDERBUFFERSOESPROC glGenRenderbuffersOES;
extern PFNGLDELETERENDERBUFFERSOESPROC glDeleteRenderbuffersOES;
extern PFNGLBINDRENDERBUFFEROESPROC glBindRenderbufferOES;
extern PFNGLRENDERBUFFERSTORAGEOESPROC glRenderbufferStorageOES;
extern PFNGLGETRENDERBUFFERPARAMETERIVOESPROC glGetRenderbufferParameterivOES;
extern PFNGLISFRAMEBUFFEROESPROC glIsFramebufferOES;
extern PFNGLISRENDERBUFFEROESPROC glIsRenderbufferOES;
extern PFNGLGENERATEMIPMAPOESPROC glGenerateMipmapOES;

// Loads the entry points (once per process). True when all were found.
bool load();

}  // namespace oes

}  // namespace qv
QV_EXPORT_END
