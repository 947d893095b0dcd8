// Every GL call of the GL utility library goes through these inline wrappers. Normally they call GL and
// nothing else. A test or benchmark may install a GLCallObserver, which sees each call with its arguments
// (pointers still valid, so it can copy the vertex arrays at a draw) and decides whether the call is also
// forwarded to GL. Results always come from real GL; the observer never invents them.
// The observer is process-wide and must only be installed while one thread uses the library.
#pragma once

#include <GLES/gl.h>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class GLCallObserver {
 public:
  virtual ~GLCallObserver() = default;
  // True: the call also goes to GL after the observer has seen it.
  virtual bool forwardToGL() const { return true; }

  virtual void enableClientState(GLenum) {}
  virtual void disableClientState(GLenum) {}
  virtual void vertexPointer(GLint, GLenum, GLsizei, const void*) {}
  virtual void normalPointer(GLenum, GLsizei, const void*) {}
  virtual void texCoordPointer(GLint, GLenum, GLsizei, const void*) {}
  virtual void normal3f(GLfloat, GLfloat, GLfloat) {}
  virtual void drawArrays(GLenum, GLint, GLsizei) {}
  virtual void multMatrixf(const GLfloat*) {}
  virtual void translatef(GLfloat, GLfloat, GLfloat) {}
  virtual void scalef(GLfloat, GLfloat, GLfloat) {}
  virtual void orthof(GLfloat, GLfloat, GLfloat, GLfloat, GLfloat, GLfloat) {}
  virtual void texImage2D(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*) {}
  virtual void pixelStorei(GLenum, GLint) {}
};

namespace glseam {

// nullptr in normal use.
inline GLCallObserver*& observer() {
  static GLCallObserver* installed = nullptr;
  return installed;
}

// Installs an observer for the lifetime of the object.
class ScopedObserver {
 public:
  explicit ScopedObserver(GLCallObserver* o) : previous_(observer()) { observer() = o; }
  ~ScopedObserver() { observer() = previous_; }
  ScopedObserver(const ScopedObserver&) = delete;
  ScopedObserver& operator=(const ScopedObserver&) = delete;

 private:
  GLCallObserver* previous_;
};

#define QV_GLSEAM_CALL(observerCall, glCall) \
  do {                                       \
    GLCallObserver* o = observer();          \
    if (o) {                                 \
      o->observerCall;                       \
      if (!o->forwardToGL()) return;         \
    }                                        \
    glCall;                                  \
  } while (0)

inline void EnableClientState(GLenum a) {
  QV_GLSEAM_CALL(enableClientState(a), glEnableClientState(a));
}
inline void DisableClientState(GLenum a) {
  QV_GLSEAM_CALL(disableClientState(a), glDisableClientState(a));
}
inline void VertexPointer(GLint s, GLenum t, GLsizei st, const void* p) {
  QV_GLSEAM_CALL(vertexPointer(s, t, st, p), glVertexPointer(s, t, st, p));
}
inline void NormalPointer(GLenum t, GLsizei st, const void* p) {
  QV_GLSEAM_CALL(normalPointer(t, st, p), glNormalPointer(t, st, p));
}
inline void TexCoordPointer(GLint s, GLenum t, GLsizei st, const void* p) {
  QV_GLSEAM_CALL(texCoordPointer(s, t, st, p), glTexCoordPointer(s, t, st, p));
}
inline void Normal3f(GLfloat x, GLfloat y, GLfloat z) {
  QV_GLSEAM_CALL(normal3f(x, y, z), glNormal3f(x, y, z));
}
inline void DrawArrays(GLenum m, GLint f, GLsizei c) {
  QV_GLSEAM_CALL(drawArrays(m, f, c), glDrawArrays(m, f, c));
}
inline void MultMatrixf(const GLfloat* m) {
  QV_GLSEAM_CALL(multMatrixf(m), glMultMatrixf(m));
}
inline void Translatef(GLfloat x, GLfloat y, GLfloat z) {
  QV_GLSEAM_CALL(translatef(x, y, z), glTranslatef(x, y, z));
}
inline void Scalef(GLfloat x, GLfloat y, GLfloat z) {
  QV_GLSEAM_CALL(scalef(x, y, z), glScalef(x, y, z));
}
inline void Orthof(GLfloat l, GLfloat r, GLfloat b, GLfloat t, GLfloat n, GLfloat f) {
  QV_GLSEAM_CALL(orthof(l, r, b, t, n, f), glOrthof(l, r, b, t, n, f));
}
inline void TexImage2D(GLenum target, GLint level, GLint internal, GLsizei w, GLsizei h, GLint border,
                       GLenum format, GLenum type, const void* pixels) {
  QV_GLSEAM_CALL(texImage2D(target, level, internal, w, h, border, format, type, pixels),
                 glTexImage2D(target, level, internal, w, h, border, format, type, pixels));
}
inline void PixelStorei(GLenum p, GLint v) {
  QV_GLSEAM_CALL(pixelStorei(p, v), glPixelStorei(p, v));
}

#undef QV_GLSEAM_CALL

}  // namespace glseam

}  // namespace qv
QV_EXPORT_END
