// The frame: drawView (timer action) -> drawFunction (one pass into the drawable) -> drawScene (device
// matrix and renderer choice). Main thread, under textureUsageLock.
#include <cmath>

#include "qv/core/QVViewGL.h"
#include "qv/os/GLES.h"
#include "qv/os/Image.h"
#include "qv/os/Layer.h"
#include "qv/platform/QVContext.h"

void QVViewGL::drawView() {
  if (dealloccing) return;
  bool imagePending;
  {
    std::lock_guard<std::mutex> guard(textureUsageLock);
    if (bHitOnFocus) {
      // Focus picking samples the centre of the view (of the left eye in stereo).
      hittest = true;
      double w = frame_.width;
      if (isStereo) w *= 0.5;
      hitpoint[0] = w * 0.5;
      hitpoint[1] = frame_.height * 0.5;
      drawFunction();
    }
    {
      std::lock_guard<std::mutex> injectGuard(injectLock_);
      imagePending = imageInject != nullptr;
    }
    if (!imagePending) drawFunction();
  }
  if (imagePending) {
    std::shared_ptr<Image> image;
    {
      std::lock_guard<std::mutex> injectGuard(injectLock_);
      image.swap(imageInject);
    }
    injectImageExec(image);
  }
}

void QVViewGL::drawFunction() {
  SharedContextScope scope;
  if (scope.ok()) {
    oes::glBindFramebufferOES(GL_FRAMEBUFFER_OES, viewFramebuffer);
    while (glGetError() != GL_NO_ERROR) {
    }
    drawScene();
    while (glGetError() != GL_NO_ERROR) {
    }
    oes::glBindRenderbufferOES(GL_RENDERBUFFER_OES, viewRenderbuffer);
    while (glGetError() != GL_NO_ERROR) {
    }
    if (!hittest) layer_->presentRenderbuffer(GL_RENDERBUFFER_OES);
  }
  hittest = false;
}

void QVViewGL::drawScene() {
  // Until the renderers are in place every frame is the clear colour.
  GLint w = GLint(std::trunc(frame_.width)), h = GLint(std::trunc(frame_.height));
  glViewport(0, 0, w > 0 ? w : 1, h);
  glDepthMask(GL_TRUE);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}
