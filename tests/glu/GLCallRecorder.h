// Records the GL calls of the GL utility library through the call seam: every draw with a copy of the
// arrays it used, normals set with glNormal3f, and the client-array state. Forwards to GL only when asked.
#pragma once

#include <map>
#include <vector>

#include "qv/glu/GLSeam.h"

using namespace qv;

struct RecordedDraw {
  GLenum mode;
  GLsizei count;
  std::vector<GLfloat> vertices;   // 3 per vertex
  std::vector<GLfloat> texcoords;  // 2 per vertex, empty when the array was disabled
  std::vector<GLfloat> normals;    // 3 per vertex, empty when the array was disabled
};

class GLCallRecorder : public GLCallObserver {
 public:
  explicit GLCallRecorder(bool forward = false) : forward_(forward) {}
  bool forwardToGL() const override { return forward_; }

  void enableClientState(GLenum a) override {
    enabled[a] = true;
    ++calls;
  }
  void disableClientState(GLenum a) override {
    enabled[a] = false;
    ++calls;
  }
  void vertexPointer(GLint, GLenum, GLsizei, const void* p) override {
    vertexArray = static_cast<const GLfloat*>(p);
    ++calls;
  }
  void normalPointer(GLenum, GLsizei, const void* p) override {
    normalArray = static_cast<const GLfloat*>(p);
    ++calls;
  }
  void texCoordPointer(GLint, GLenum, GLsizei, const void* p) override {
    texArray = static_cast<const GLfloat*>(p);
    ++calls;
  }
  void normal3f(GLfloat x, GLfloat y, GLfloat z) override {
    currentNormals.push_back({x, y, z});
    ++calls;
  }
  void drawArrays(GLenum mode, GLint first, GLsizei count) override {
    ++calls;
    RecordedDraw d{mode, count, {}, {}, {}};
    if (enabled[GL_VERTEX_ARRAY])
      d.vertices.assign(vertexArray + 3 * first, vertexArray + 3 * (first + count));
    if (enabled[GL_TEXTURE_COORD_ARRAY])
      d.texcoords.assign(texArray + 2 * first, texArray + 2 * (first + count));
    if (enabled[GL_NORMAL_ARRAY])
      d.normals.assign(normalArray + 3 * first, normalArray + 3 * (first + count));
    draws.push_back(std::move(d));
  }

  bool anyArrayEnabled() {
    return enabled[GL_VERTEX_ARRAY] || enabled[GL_NORMAL_ARRAY] || enabled[GL_COLOR_ARRAY] ||
           enabled[GL_TEXTURE_COORD_ARRAY];
  }

  std::vector<RecordedDraw> draws;
  std::vector<std::vector<GLfloat>> currentNormals;
  std::map<GLenum, bool> enabled;
  int calls = 0;

 private:
  bool forward_;
  const GLfloat* vertexArray = nullptr;
  const GLfloat* normalArray = nullptr;
  const GLfloat* texArray = nullptr;
};
