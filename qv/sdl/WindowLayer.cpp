#include "qv/sdl/WindowLayer.h"

#include "qv/os/GLES.h"

namespace qv {

bool WindowLayer::renderbufferStorage(GLenum target) {
  int w = 0, h = 0;
  SDL_GL_GetDrawableSize(window_, &w, &h);
  if (w <= 0 || h <= 0) return false;
  oes::glRenderbufferStorageOES(target, GL_RGBA8_OES, w, h);
  return glGetError() == GL_NO_ERROR;
}

bool WindowLayer::presentRenderbuffer(GLenum target) {
  GLint w = 0, h = 0, framebuffer = 0;
  oes::glGetRenderbufferParameterivOES(target, GL_RENDERBUFFER_WIDTH_OES, &w);
  oes::glGetRenderbufferParameterivOES(target, GL_RENDERBUFFER_HEIGHT_OES, &h);
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &framebuffer);
  if (w <= 0 || h <= 0) return false;

  GLint boundTexture = 0, viewport[4];
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &boundTexture);
  glGetIntegerv(GL_VIEWPORT, viewport);
  GLboolean texturing = glIsEnabled(GL_TEXTURE_2D), depth = glIsEnabled(GL_DEPTH_TEST),
            blend = glIsEnabled(GL_BLEND), culling = glIsEnabled(GL_CULL_FACE);

  if (!texture_) glGenTextures(1, &texture_);
  glBindTexture(GL_TEXTURE_2D, texture_);
  if (textureWidth_ != w || textureHeight_ != h) {
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    textureWidth_ = w;
    textureHeight_ = h;
  }
  glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, w, h);

  oes::glBindFramebufferOES(GL_FRAMEBUFFER_OES, 0);
  int ww = 0, wh = 0;
  SDL_GL_GetDrawableSize(window_, &ww, &wh);
  glViewport(0, 0, ww, wh);
  for (GLenum mode : {GL_PROJECTION, GL_MODELVIEW, GL_TEXTURE}) {
    glMatrixMode(mode);
    glPushMatrix();
    glLoadIdentity();
  }
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glDisable(GL_CULL_FACE);
  glEnable(GL_TEXTURE_2D);
  glColor4f(1, 1, 1, 1);
  static const GLfloat kQuad[] = {-1, -1, 1, -1, -1, 1, 1, 1};
  static const GLfloat kTexCoords[] = {0, 0, 1, 0, 0, 1, 1, 1};
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glVertexPointer(2, GL_FLOAT, 0, kQuad);
  glTexCoordPointer(2, GL_FLOAT, 0, kTexCoords);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  SDL_GL_SwapWindow(window_);

  for (GLenum mode : {GL_TEXTURE, GL_MODELVIEW, GL_PROJECTION}) {
    glMatrixMode(mode);
    glPopMatrix();
  }
  if (depth) glEnable(GL_DEPTH_TEST);
  if (blend) glEnable(GL_BLEND);
  if (culling) glEnable(GL_CULL_FACE);
  if (!texturing) glDisable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, GLuint(boundTexture));
  glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
  oes::glBindFramebufferOES(GL_FRAMEBUFFER_OES, GLuint(framebuffer));
  return true;
}

}  // namespace qv
