#include "qv/core/ViewDrawable.h"

#include "qv/os/Layer.h"
#include "qv/os/QVLog.h"
#include "qv/platform/QVContext.h"

namespace qv {

bool ViewDrawable::create(Layer& layer) {
  // The caller's context is restored on every path, failures included: the shared context must not stay
  // current here, or no other thread could make it current again.
  SharedContextScope scope;
  if (!scope.ok()) {
    QVLog("failed to make complete framebuffer object %x", 0u);
    return false;
  }
  viewFramebuffer = GLFramebuffer::generate();
  viewRenderbuffer = GLRenderbuffer::generate();
  oes::glBindFramebufferOES(GL_FRAMEBUFFER_OES, viewFramebuffer.get());
  oes::glBindRenderbufferOES(GL_RENDERBUFFER_OES, viewRenderbuffer.get());
  layer.renderbufferStorage(GL_RENDERBUFFER_OES);
  oes::glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES,
                                    viewRenderbuffer.get());
  backingWidth = backingHeight = 0;
  oes::glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_WIDTH_OES, &backingWidth);
  oes::glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_HEIGHT_OES, &backingHeight);

  depthRenderbuffer = GLRenderbuffer::generate();
  oes::glBindRenderbufferOES(GL_RENDERBUFFER_OES, depthRenderbuffer.get());
  if (backingWidth > 0 && backingHeight > 0) {
    oes::glRenderbufferStorageOES(GL_RENDERBUFFER_OES, GL_DEPTH_COMPONENT16_OES, backingWidth, backingHeight);
  }
  oes::glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_DEPTH_ATTACHMENT_OES, GL_RENDERBUFFER_OES,
                                    depthRenderbuffer.get());
  GLenum status = oes::glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES);
  while (glGetError() != GL_NO_ERROR) {
  }
  if (status != GL_FRAMEBUFFER_COMPLETE_OES) {
    QVLog("failed to make complete framebuffer object %x", status);
    return false;
  }
  return true;
}

void ViewDrawable::destroy() {
  if (!viewFramebuffer && !viewRenderbuffer && !depthRenderbuffer) return;
  SharedContextScope scope;
  if (scope.ok()) {
    viewFramebuffer.reset();
    viewRenderbuffer.reset();
    depthRenderbuffer.reset();
  } else {
    // Without the context the names cannot be deleted; forget them rather than delete them elsewhere.
    viewFramebuffer.release();
    viewRenderbuffer.release();
    depthRenderbuffer.release();
  }
}

}  // namespace qv
