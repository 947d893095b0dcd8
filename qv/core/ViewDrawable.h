// The view's drawable: a framebuffer with a colour renderbuffer whose storage the layer gives, and a 16-bit
// depth renderbuffer of the same size. Rebuilt on layout; used by each frame. Owned by the view; all of it
// under the GL lock (create and destroy make the shared context current themselves).
#pragma once

#include "qv/os/GLName.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class Layer;

class ViewDrawable {
 public:
  // Builds the framebuffer for `layer`. False (with the log line "failed to make complete framebuffer
  // object %x") when it is not complete; the caller's context is restored on every path.
  bool create(Layer& layer);
  void destroy();

  GLuint framebuffer() const { return viewFramebuffer.get(); }
  GLuint renderbuffer() const { return viewRenderbuffer.get(); }
  GLint width() const { return backingWidth; }  // pixels
  GLint height() const { return backingHeight; }

 private:
  GLFramebuffer viewFramebuffer;
  GLRenderbuffer viewRenderbuffer, depthRenderbuffer;
  GLint backingWidth = 0, backingHeight = 0;
};

}  // namespace qv
QV_EXPORT_END
