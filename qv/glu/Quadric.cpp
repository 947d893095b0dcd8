#include "qv/glu/Quadric.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "qv/glu/GLSeam.h"

namespace qv {

namespace {

// Slices and stacks are clamped below the cache size; the arrays hold the largest batch, a strip of
// 2 * (239 + 1) vertices, with room to spare.
constexpr int kCacheSize = 240;
constexpr int kMaxVertices = 2 * (kCacheSize + 1);
constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 6.2831855f;

void report(const GLUquadric* q, GLenum code) {
  if (q->errorCallback) q->errorCallback(code);
}

// The arrays of one drawing call, filled like immediate mode (current normal and texture coordinate, then a
// vertex) and drawn with one glDrawArrays per batch. Lives on the drawing call's stack: no heap per draw.
class Batch {
 public:
  // normals may be null (disks set one current normal instead of an array).
  Batch(GLfloat* vertices, GLfloat* texcoords, GLfloat* normals)
      : vertices_(vertices), texcoords_(texcoords), normals_(normals) {}

  void begin(GLenum mode) {
    mode_ = mode;
    count_ = 0;
  }
  void normal(GLfloat x, GLfloat y, GLfloat z) {
    normal_[0] = x;
    normal_[1] = y;
    normal_[2] = z;
  }
  void texCoord(GLfloat s, GLfloat t) {
    texCoord_[0] = s;
    texCoord_[1] = t;
  }
  void vertex(GLfloat x, GLfloat y, GLfloat z) {
    if (count_ == kMaxVertices) spill();
    GLfloat* v = vertices_ + 3 * count_;
    v[0] = x;
    v[1] = y;
    v[2] = z;
    if (texcoords_) {
      texcoords_[2 * count_] = texCoord_[0];
      texcoords_[2 * count_ + 1] = texCoord_[1];
    }
    if (normals_) {
      GLfloat* n = normals_ + 3 * count_;
      n[0] = normal_[0];
      n[1] = normal_[1];
      n[2] = normal_[2];
    }
    ++count_;
  }
  void end() {
    if (count_ > 0) glseam::DrawArrays(mode_, 0, count_);
    count_ = 0;
  }

 private:
  // Only line strips outgrow the arrays (radial lines of a disk with very many loops, which are not clamped):
  // draw the piece so far and start the next one at its last vertex, so the strip stays connected.
  void spill() {
    glseam::DrawArrays(mode_, 0, count_);
    if (mode_ != GL_LINE_STRIP) {
      count_ = 0;
      return;
    }
    const int last = count_ - 1;
    std::memcpy(vertices_, vertices_ + 3 * last, 3 * sizeof(GLfloat));
    if (texcoords_) std::memcpy(texcoords_, texcoords_ + 2 * last, 2 * sizeof(GLfloat));
    if (normals_) std::memcpy(normals_, normals_ + 3 * last, 3 * sizeof(GLfloat));
    count_ = 1;
  }

  GLfloat* vertices_;
  GLfloat* texcoords_;  // null when the quadric has no texture coordinates
  GLfloat* normals_;    // null without a normal array
  GLenum mode_ = GL_POINTS;
  GLint count_ = 0;
  GLfloat normal_[3] = {0, 0, 1};
  GLfloat texCoord_[2] = {0, 0};
};

// Client state for a drawing call. perVertexNormals: sphere and cylinder pass a normal array; disks have one
// normal for the whole shape.
void enableArrays(const GLUquadric* q, GLfloat* vertices, GLfloat* texcoords, GLfloat* normals,
                  bool perVertexNormals) {
  glseam::EnableClientState(GL_VERTEX_ARRAY);
  glseam::VertexPointer(3, GL_FLOAT, 0, vertices);
  if (q->textureCoords) {
    glseam::EnableClientState(GL_TEXTURE_COORD_ARRAY);
    glseam::TexCoordPointer(2, GL_FLOAT, 0, texcoords);
  } else {
    glseam::DisableClientState(GL_TEXTURE_COORD_ARRAY);
  }
  if (perVertexNormals && q->normals != GLU_NONE) {
    glseam::EnableClientState(GL_NORMAL_ARRAY);
    glseam::NormalPointer(GL_FLOAT, 0, normals);
  } else {
    glseam::DisableClientState(GL_NORMAL_ARRAY);
  }
  if (!perVertexNormals && q->normals != GLU_NONE)
    glseam::Normal3f(0.0f, 0.0f, q->orientation == GLU_OUTSIDE ? 1.0f : -1.0f);
  // The caller's current colour applies.
  glseam::DisableClientState(GL_COLOR_ARRAY);
}

void disableArrays() {
  glseam::DisableClientState(GL_VERTEX_ARRAY);
  glseam::DisableClientState(GL_TEXTURE_COORD_ARRAY);
  glseam::DisableClientState(GL_NORMAL_ARRAY);
  glseam::DisableClientState(GL_COLOR_ARRAY);
}

GLfloat sinf64(GLfloat angle) {
  return GLfloat(std::sin(double(angle)));
}
GLfloat cosf64(GLfloat angle) {
  return GLfloat(std::cos(double(angle)));
}

}  // namespace

GLUquadric* qvglNewQuadric(void) {
  auto* q = static_cast<GLUquadric*>(std::malloc(sizeof(GLUquadric)));
  if (!q) return nullptr;
  q->normals = GLU_SMOOTH;
  q->textureCoords = GL_FALSE;
  q->orientation = GLU_OUTSIDE;
  q->drawStyle = GLU_FILL;
  q->errorCallback = nullptr;
  return q;
}

void qvglDeleteQuadric(GLUquadric* q) {
  std::free(q);
}

void qvglQuadricCallback(GLUquadric* q, GLenum which, GLUquadricErrorProc fn) {
  if (!q) return;
  if (which == GLU_ERROR)
    q->errorCallback = fn;
  else
    report(q, GLU_INVALID_ENUM);
}

void qvglQuadricNormals(GLUquadric* q, GLenum normals) {
  if (!q) return;
  if (normals == GLU_SMOOTH || normals == GLU_FLAT || normals == GLU_NONE)
    q->normals = GLint(normals);
  else
    report(q, GLU_INVALID_ENUM);
}

void qvglQuadricTexture(GLUquadric* q, GLboolean textureCoords) {
  if (q) q->textureCoords = textureCoords;
}

void qvglQuadricOrientation(GLUquadric* q, GLenum orientation) {
  if (!q) return;
  if (orientation == GLU_OUTSIDE || orientation == GLU_INSIDE)
    q->orientation = GLint(orientation);
  else
    report(q, GLU_INVALID_ENUM);
}

void qvglQuadricDrawStyle(GLUquadric* q, GLenum drawStyle) {
  if (!q) return;
  if (drawStyle >= GLU_POINT && drawStyle <= GLU_SILHOUETTE)
    q->drawStyle = GLint(drawStyle);
  else
    report(q, GLU_INVALID_ENUM);
}

void qvglCylinder(GLUquadric* q, GLfloat baseRadius, GLfloat topRadius, GLfloat height, GLint slices,
                  GLint stacks) {
  if (!q) return;
  if (slices >= kCacheSize) slices = kCacheSize - 1;
  if (stacks >= kCacheSize) stacks = kCacheSize - 1;
  const GLfloat deltaRadius = baseRadius - topRadius;
  const GLfloat length = std::sqrt(deltaRadius * deltaRadius + height * height);
  if (slices < 2 || stacks < 1 || baseRadius < 0.0f || topRadius < 0.0f || height < 0.0f || length == 0.0f) {
    report(q, GLU_INVALID_VALUE);
    return;
  }
  const GLint style = q->drawStyle;
  const bool inside = q->orientation == GLU_INSIDE;
  const bool textured = q->textureCoords;
  const bool needSmooth = q->normals == GLU_SMOOTH || (q->normals == GLU_FLAT && style != GLU_FILL);
  const bool needFlat = q->normals == GLU_FLAT && style != GLU_POINT;

  const GLfloat zNormal = deltaRadius / length;
  const GLfloat xyNormalRatio = inside ? -(height / length) : height / length;

  GLfloat sinCache[kCacheSize], cosCache[kCacheSize];
  GLfloat sinSmooth[kCacheSize], cosSmooth[kCacheSize];  // scaled by xyNormalRatio
  GLfloat sinFlat[kCacheSize], cosFlat[kCacheSize];      // half a slice back, scaled likewise
  for (GLint i = 0; i < slices; ++i) {
    const GLfloat angle = kTwoPi * GLfloat(i) / GLfloat(slices);
    sinCache[i] = sinf64(angle);
    cosCache[i] = cosf64(angle);
    if (needSmooth) {
      sinSmooth[i] = xyNormalRatio * sinCache[i];
      cosSmooth[i] = xyNormalRatio * cosCache[i];
    }
    if (needFlat) {
      const GLfloat half = kTwoPi * (GLfloat(i) - 0.5f) / GLfloat(slices);
      sinFlat[i] = xyNormalRatio * sinf64(half);
      cosFlat[i] = xyNormalRatio * cosf64(half);
    }
  }
  sinCache[slices] = sinCache[0];
  cosCache[slices] = cosCache[0];
  if (needSmooth) {
    sinSmooth[slices] = sinSmooth[0];
    cosSmooth[slices] = cosSmooth[0];
  }
  if (needFlat) {
    sinFlat[slices] = sinFlat[0];
    cosFlat[slices] = cosFlat[0];
  }

  GLfloat vertices[kMaxVertices * 3], texcoords[kMaxVertices * 2], normals[kMaxVertices * 3];
  enableArrays(q, vertices, texcoords, normals, true);
  Batch b(vertices, textured ? texcoords : nullptr, q->normals == GLU_NONE ? nullptr : normals);

  auto radiusAt = [&](GLint j) { return baseRadius - deltaRadius * (GLfloat(j) / GLfloat(stacks)); };
  auto zAt = [&](GLint j) { return GLfloat(j) * height / GLfloat(stacks); };
  auto put = [&](GLint i, GLint j, GLfloat r, GLfloat z) {
    if (textured) b.texCoord(1.0f - GLfloat(i) / GLfloat(slices), GLfloat(j) / GLfloat(stacks));
    b.vertex(r * sinCache[i], r * cosCache[i], z);
  };
  auto ringNormal = [&](GLint i) {
    if (q->normals == GLU_FLAT)
      b.normal(sinFlat[i], cosFlat[i], zNormal);
    else if (q->normals == GLU_SMOOTH)
      b.normal(sinSmooth[i], cosSmooth[i], zNormal);
  };
  auto ring = [&](GLint j) {
    const GLfloat r = radiusAt(j), z = zAt(j);
    b.begin(GL_LINE_STRIP);
    for (GLint i = 0; i <= slices; ++i) {
      ringNormal(i);
      put(i, j, r, z);
    }
    b.end();
  };

  switch (style) {
    case GLU_FILL:
      for (GLint j = 0; j < stacks; ++j) {
        const GLfloat rLow = radiusAt(j), rHigh = radiusAt(j + 1);
        const GLfloat zLow = zAt(j), zHigh = zAt(j + 1);
        b.begin(GL_TRIANGLE_STRIP);
        for (GLint i = 0; i <= slices; ++i) {
          ringNormal(i);
          if (!inside) {
            put(i, j, rLow, zLow);
            put(i, j + 1, rHigh, zHigh);
          } else {
            put(i, j + 1, rHigh, zHigh);
            put(i, j, rLow, zLow);
          }
        }
        b.end();
      }
      break;
    case GLU_POINT:
      for (GLint i = 0; i < slices; ++i) {
        if (q->normals != GLU_NONE) b.normal(sinSmooth[i], cosSmooth[i], zNormal);
        b.begin(GL_POINTS);
        for (GLint j = 0; j <= stacks; ++j) put(i, j, radiusAt(j), zAt(j));
        b.end();
      }
      break;
    case GLU_LINE:
    case GLU_SILHOUETTE:
      if (style == GLU_LINE)
        for (GLint j = 1; j < stacks; ++j) ring(j);
      ring(0);
      ring(stacks);
      for (GLint i = 0; i < slices; ++i) {
        if (q->normals != GLU_NONE) b.normal(sinSmooth[i], cosSmooth[i], 0.0f);
        b.begin(GL_LINE_STRIP);
        for (GLint j = 0; j <= stacks; ++j) put(i, j, radiusAt(j), zAt(j));
        b.end();
      }
      break;
  }
  disableArrays();
}

void qvglSphere(GLUquadric* q, GLfloat radius, GLint slices, GLint stacks) {
  if (!q) return;
  if (slices >= kCacheSize) slices = kCacheSize - 1;
  if (stacks >= kCacheSize) stacks = kCacheSize - 1;
  if (slices < 2 || stacks < 1 || radius < 0.0f) {
    report(q, GLU_INVALID_VALUE);
    return;
  }
  const GLint style = q->drawStyle;
  const bool inside = q->orientation == GLU_INSIDE;
  const bool textured = q->textureCoords;
  const bool needSmooth = q->normals == GLU_SMOOTH || (q->normals == GLU_FLAT && style != GLU_FILL);
  const bool needFlat = q->normals == GLU_FLAT && style != GLU_POINT;
  const GLfloat sign = inside ? -1.0f : 1.0f;

  // Slice angle caches serve the vertices and the smooth normals alike (the same angle).
  GLfloat sinSlice[kCacheSize], cosSlice[kCacheSize];
  GLfloat ringRadius[kCacheSize], ringZ[kCacheSize];
  GLfloat sinStack[kCacheSize], cosStack[kCacheSize];          // smooth normals, signed by orientation
  GLfloat sinSliceFlat[kCacheSize], cosSliceFlat[kCacheSize];  // half a slice back
  GLfloat sinStackFlat[kCacheSize], cosStackFlat[kCacheSize];  // half a stack back, signed
  for (GLint i = 0; i < slices; ++i) {
    const GLfloat angle = kTwoPi * GLfloat(i) / GLfloat(slices);
    sinSlice[i] = sinf64(angle);
    cosSlice[i] = cosf64(angle);
    if (needFlat) {
      const GLfloat half = kTwoPi * (GLfloat(i) - 0.5f) / GLfloat(slices);
      sinSliceFlat[i] = sinf64(half);
      cosSliceFlat[i] = cosf64(half);
    }
  }
  sinSlice[slices] = sinSlice[0];
  cosSlice[slices] = cosSlice[0];
  if (needFlat) {
    sinSliceFlat[slices] = sinSliceFlat[0];
    cosSliceFlat[slices] = cosSliceFlat[0];
  }
  for (GLint j = 0; j <= stacks; ++j) {
    const GLfloat angle = kPi * GLfloat(j) / GLfloat(stacks);
    const double s = std::sin(double(angle)), c = std::cos(double(angle));
    ringRadius[j] = GLfloat(radius * s);
    ringZ[j] = GLfloat(radius * c);
    if (needSmooth) {
      sinStack[j] = sign * GLfloat(s);
      cosStack[j] = sign * GLfloat(c);
    }
    if (needFlat) {
      const GLfloat half = kPi * (GLfloat(j) - 0.5f) / GLfloat(stacks);
      sinStackFlat[j] = sign * sinf64(half);
      cosStackFlat[j] = sign * cosf64(half);
    }
  }
  // The poles come to an exact point.
  ringRadius[0] = 0.0f;
  ringRadius[stacks] = 0.0f;

  GLfloat vertices[kMaxVertices * 3], texcoords[kMaxVertices * 2], normals[kMaxVertices * 3];
  enableArrays(q, vertices, texcoords, normals, true);
  Batch b(vertices, textured ? texcoords : nullptr, q->normals == GLU_NONE ? nullptr : normals);

  auto put = [&](GLint i, GLint j) {
    if (textured) b.texCoord(1.0f - GLfloat(i) / GLfloat(slices), 1.0f - GLfloat(j) / GLfloat(stacks));
    b.vertex(ringRadius[j] * sinSlice[i], ringRadius[j] * cosSlice[i], ringZ[j]);
  };
  auto smoothNormal = [&](GLint i, GLint j) {
    b.normal(sinSlice[i] * sinStack[j], cosSlice[i] * sinStack[j], cosStack[j]);
  };
  // The face normal between slices i - 1 and i and stacks j - 1 and j.
  auto flatNormal = [&](GLint i, GLint j) {
    b.normal(sinSliceFlat[i] * sinStackFlat[j], cosSliceFlat[i] * sinStackFlat[j], cosStackFlat[j]);
  };
  // A fan vertex on ring j at slice i, in a fan walked with decreasing (descending) or increasing slices.
  // Triangles take the flat normal of their last vertex, so that vertex carries its face's normal.
  auto fanVertex = [&](GLint i, GLint j, GLint faceJ, bool descending) {
    if (q->normals == GLU_SMOOTH)
      smoothNormal(i, j);
    else if (q->normals == GLU_FLAT)
      flatNormal(descending ? (i < slices ? i + 1 : slices) : i, faceJ);
    put(i, j);
  };

  switch (style) {
    case GLU_FILL: {
      GLint first = 0, last = stacks;
      if (!textured) {
        // Without texture coordinates the caps are fans around the poles; with them the pole needs a
        // different texture coordinate for every slice, so strips reach the poles instead.
        first = 1;
        last = stacks - 1;
        if (q->normals != GLU_NONE) b.normal(0.0f, 0.0f, sign);
        b.begin(GL_TRIANGLE_FAN);
        b.vertex(0.0f, 0.0f, radius);
        if (!inside)
          for (GLint i = slices; i >= 0; --i) fanVertex(i, 1, 1, true);
        else
          for (GLint i = 0; i <= slices; ++i) fanVertex(i, 1, 1, false);
        b.end();

        if (q->normals != GLU_NONE) b.normal(0.0f, 0.0f, -sign);
        b.begin(GL_TRIANGLE_FAN);
        b.vertex(0.0f, 0.0f, -radius);
        if (!inside)
          for (GLint i = 0; i <= slices; ++i) fanVertex(i, stacks - 1, stacks, false);
        else
          for (GLint i = slices; i >= 0; --i) fanVertex(i, stacks - 1, stacks, true);
        b.end();
      }
      for (GLint j = first; j < last; ++j) {
        // Each pair is (j + 1, j) outside and (j, j + 1) inside, which turns the strip's front to the viewer.
        const GLint a = inside ? j : j + 1;
        const GLint c = inside ? j + 1 : j;
        b.begin(GL_TRIANGLE_STRIP);
        for (GLint i = 0; i <= slices; ++i) {
          if (q->normals == GLU_FLAT) flatNormal(i, j + 1);
          if (q->normals == GLU_SMOOTH) smoothNormal(i, a);
          put(i, a);
          if (q->normals == GLU_SMOOTH) smoothNormal(i, c);
          put(i, c);
        }
        b.end();
      }
      break;
    }
    case GLU_POINT:
      for (GLint j = 0; j <= stacks; ++j) {
        b.begin(GL_POINTS);
        for (GLint i = 0; i < slices; ++i) {
          if (q->normals != GLU_NONE) smoothNormal(i, j);
          put(i, j);
        }
        b.end();
      }
      break;
    case GLU_LINE:
    case GLU_SILHOUETTE:
      for (GLint j = 1; j < stacks; ++j) {
        b.begin(GL_LINE_STRIP);
        for (GLint i = 0; i <= slices; ++i) {
          if (q->normals != GLU_NONE) smoothNormal(i, j);
          put(i, j);
        }
        b.end();
      }
      for (GLint i = 0; i < slices; ++i) {
        b.begin(GL_LINE_STRIP);
        for (GLint j = 0; j <= stacks; ++j) {
          if (q->normals != GLU_NONE) smoothNormal(i, j);
          put(i, j);
        }
        b.end();
      }
      break;
  }
  disableArrays();
}

void qvglDisk(GLUquadric* q, GLfloat innerRadius, GLfloat outerRadius, GLint slices, GLint loops) {
  qvglPartialDisk(q, innerRadius, outerRadius, slices, loops, 0.0f, 360.0f);
}

void qvglPartialDisk(GLUquadric* q, GLfloat innerRadius, GLfloat outerRadius, GLint slices, GLint loops,
                     GLfloat startAngle, GLfloat sweepAngle) {
  if (!q) return;
  if (slices >= kCacheSize) slices = kCacheSize - 1;
  if (slices < 2 || loops < 1 || outerRadius <= 0.0f || innerRadius < 0.0f || innerRadius > outerRadius) {
    report(q, GLU_INVALID_VALUE);
    return;
  }
  if (sweepAngle < -360.0f) sweepAngle = -360.0f;
  if (sweepAngle > 360.0f) sweepAngle = 360.0f;
  if (sweepAngle < 0.0f) {
    startAngle += sweepAngle;
    sweepAngle = -sweepAngle;
  }
  const bool closed = sweepAngle == 360.0f;
  const GLint slices2 = closed ? slices : slices + 1;
  const GLint style = q->drawStyle;
  const bool inside = q->orientation == GLU_INSIDE;
  const bool textured = q->textureCoords;

  GLfloat sinCache[kCacheSize], cosCache[kCacheSize];
  const GLfloat angleOffset = startAngle * kPi / 180.0f;
  const GLfloat sweep = kPi * sweepAngle / 180.0f;
  for (GLint i = 0; i <= slices; ++i) {
    const GLfloat angle = angleOffset + sweep * GLfloat(i) / GLfloat(slices);
    sinCache[i] = sinf64(angle);
    cosCache[i] = cosf64(angle);
  }
  if (closed) {
    sinCache[slices] = sinCache[0];
    cosCache[slices] = cosCache[0];
  }

  GLfloat vertices[kMaxVertices * 3], texcoords[kMaxVertices * 2];
  enableArrays(q, vertices, texcoords, nullptr, false);
  Batch b(vertices, textured ? texcoords : nullptr, nullptr);

  const GLfloat deltaRadius = outerRadius - innerRadius;
  auto radiusAt = [&](GLint j) { return outerRadius - deltaRadius * (GLfloat(j) / GLfloat(loops)); };
  // The disk maps onto the circle of diameter 1 centred in the texture.
  auto put = [&](GLint i, GLfloat r) {
    if (textured) {
      const GLfloat scale = r / outerRadius * 0.5f;
      b.texCoord(scale * sinCache[i] + 0.5f, scale * cosCache[i] + 0.5f);
    }
    b.vertex(r * sinCache[i], r * cosCache[i], 0.0f);
  };
  auto ring = [&](GLfloat r) {
    b.begin(GL_LINE_STRIP);
    for (GLint i = 0; i <= slices; ++i) put(i, r);
    b.end();
  };
  auto radial = [&](GLint i) {
    b.begin(GL_LINE_STRIP);
    for (GLint j = 0; j <= loops; ++j) put(i, radiusAt(j));
    b.end();
  };

  switch (style) {
    case GLU_FILL: {
      GLint strips = loops;
      if (innerRadius == 0.0f) {
        strips = loops - 1;
        b.begin(GL_TRIANGLE_FAN);
        b.texCoord(0.5f, 0.5f);
        b.vertex(0.0f, 0.0f, 0.0f);
        const GLfloat r = radiusAt(loops - 1);
        if (!inside)
          for (GLint i = slices; i >= 0; --i) put(i, r);
        else
          for (GLint i = 0; i <= slices; ++i) put(i, r);
        b.end();
      }
      for (GLint j = 0; j < strips; ++j) {
        const GLfloat rLow = radiusAt(j), rHigh = radiusAt(j + 1);
        b.begin(GL_TRIANGLE_STRIP);
        for (GLint i = 0; i <= slices; ++i) {
          if (!inside) {
            put(i, rLow);
            put(i, rHigh);
          } else {
            put(i, rHigh);
            put(i, rLow);
          }
        }
        b.end();
      }
      break;
    }
    case GLU_POINT:
      for (GLint j = 0; j <= loops; ++j) {
        const GLfloat r = radiusAt(j);
        b.begin(GL_POINTS);
        for (GLint i = 0; i < slices2; ++i) put(i, r);
        b.end();
      }
      break;
    case GLU_LINE:
      if (innerRadius == outerRadius) {
        ring(innerRadius);
        break;
      }
      for (GLint j = 0; j <= loops; ++j) ring(radiusAt(j));
      for (GLint i = 0; i < slices2; ++i) radial(i);
      break;
    case GLU_SILHOUETTE:
      if (!closed) {
        radial(0);
        radial(slices);
      }
      ring(radiusAt(0));
      if (innerRadius != outerRadius) ring(radiusAt(loops));
      break;
  }
  disableArrays();
}

}  // namespace qv
