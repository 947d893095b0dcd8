// Quadric tessellation seen through the GL call seam, without GL: batches, arrays, options and errors.
#include "qv/glu/Quadric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "tests/glu/GLCallRecorder.h"

using namespace qv;

namespace {

std::vector<GLenum> errors;
void recordError(GLenum code) {
  errors.push_back(code);
}

struct Quadric {
  explicit Quadric(GLenum style = GLU_FILL, bool textured = false, GLenum orientation = GLU_OUTSIDE,
                   GLenum normals = GLU_SMOOTH)
      : q(qvglNewQuadric()) {
    qvglQuadricDrawStyle(q, style);
    qvglQuadricTexture(q, textured ? GL_TRUE : GL_FALSE);
    qvglQuadricOrientation(q, orientation);
    qvglQuadricNormals(q, normals);
    qvglQuadricCallback(q, GLU_ERROR, recordError);
  }
  ~Quadric() { qvglDeleteQuadric(q); }
  GLUquadric* q;
};

// The GL calls `draw` makes, recorded; `colourArray` starts with the colour array enabled.
template <typename Draw>
GLCallRecorder record(Draw draw, bool colourArray = false) {
  GLCallRecorder recorder;
  recorder.enabled[GL_COLOR_ARRAY] = colourArray;
  glseam::ScopedObserver scoped(&recorder);
  draw();
  return recorder;
}
}  // namespace

TEST(QuadricTest, TheCallersTexturedSphere) {
  Quadric quadric(GLU_FILL, true);
  GLCallRecorder recorder = record([&] { qvglSphere(quadric.q, 20, 60, 60); });
  ASSERT_EQ(recorder.draws.size(), 60u);
  for (const auto& d : recorder.draws) {
    ASSERT_EQ(d.mode, GLenum(GL_TRIANGLE_STRIP));
    ASSERT_EQ(d.count, 122);
    ASSERT_EQ(d.texcoords.size(), 244u);
    ASSERT_EQ(d.normals.size(), 366u);
    // The seam closes exactly: slice 60 repeats slice 0.
    for (int c = 0; c < 6; ++c) EXPECT_EQ(d.vertices[c], d.vertices[120 * 3 + c]);
  }
  // The poles are exact points with t exactly 1 and 0 (positions are compared with libGLU elsewhere).
  const auto& first = recorder.draws[0];
  EXPECT_EQ(std::vector<GLfloat>(first.vertices.begin() + 3, first.vertices.begin() + 6),
            (std::vector<GLfloat>{0, 0, 20}));
  EXPECT_EQ(first.texcoords[3], 1.0f);
  EXPECT_EQ(recorder.draws[59].vertices[2], -20.0f);
  EXPECT_EQ(recorder.draws[59].texcoords[1], 0.0f);
  EXPECT_FALSE(recorder.anyArrayEnabled());

  // Requests above 239 slices or stacks draw as 239.
  GLCallRecorder large = record([&] { qvglSphere(quadric.q, 20, 1000, 5000); });
  ASSERT_EQ(large.draws.size(), 239u);
  EXPECT_EQ(large.draws[0].count, 480);
}

TEST(QuadricTest, LongRadialLinesAreDrawnInConnectedPieces) {
  for (GLenum style : {GLU_LINE, GLU_SILHOUETTE}) {
    SCOPED_TRACE(style);
    const int loops = 1000;
    Quadric quadric(style, true);
    GLCallRecorder recorder = record([&] { qvglPartialDisk(quadric.q, 1, 3, 4, loops, 0, 90); });
    // Rings (slices + 1 vertices) aside, the draws are radial pieces.
    std::vector<std::vector<GLfloat>> radials;
    std::vector<GLfloat> joined;
    const RecordedDraw* previous = nullptr;
    for (const auto& d : recorder.draws) {
      ASSERT_LE(d.count, 482);
      if (d.count == 5) continue;  // a ring of slices + 1
      const bool continues = previous && previous->count == 482;
      if (continues) {
        // The piece starts where the last one ended.
        ASSERT_TRUE(std::equal(d.vertices.begin(), d.vertices.begin() + 3, previous->vertices.end() - 3));
        joined.insert(joined.end(), d.vertices.begin() + 3, d.vertices.end());
      } else {
        if (!joined.empty()) radials.push_back(joined);
        joined = d.vertices;
      }
      previous = &d;
    }
    radials.push_back(joined);
    ASSERT_EQ(radials.size(), style == GLU_LINE ? 5u : 2u);
    for (const auto& line : radials) {
      ASSERT_EQ(line.size(), size_t(3 * (loops + 1)));
      EXPECT_NEAR(std::hypot(line[0], line[1]), 3.0, 1e-5);
      EXPECT_NEAR(std::hypot(line[3 * 500], line[3 * 500 + 1]), 2.0, 1e-5);
      EXPECT_NEAR(std::hypot(line[3 * loops], line[3 * loops + 1]), 1.0, 1e-5);
    }
  }
}

TEST(QuadricTest, OptionSettersAndErrors) {
  errors.clear();
  GLUquadric* q = qvglNewQuadric();
  ASSERT_NE(q, nullptr);

  GLCallRecorder recorder;
  glseam::ScopedObserver scoped(&recorder);
  // Without a callback, bad arguments do nothing at all.
  qvglSphere(q, -1, 10, 10);
  qvglQuadricNormals(q, 5);
  EXPECT_EQ(recorder.calls, 0);
  EXPECT_EQ(q->normals, GLU_SMOOTH);

  qvglQuadricCallback(q, 7, recordError);
  EXPECT_EQ(q->errorCallback, nullptr);
  qvglQuadricCallback(q, GLU_ERROR, recordError);
  qvglQuadricNormals(q, 5);
  qvglQuadricOrientation(q, GLU_FILL);
  qvglQuadricDrawStyle(q, GLU_OUTSIDE);
  qvglQuadricCallback(q, GLU_SMOOTH, nullptr);
  EXPECT_EQ(errors, std::vector<GLenum>(4, GLU_INVALID_ENUM));
  EXPECT_EQ(std::tuple(q->normals, q->orientation, q->drawStyle),
            std::tuple(GLU_SMOOTH, GLU_OUTSIDE, GLU_FILL));
  EXPECT_EQ(q->errorCallback, recordError);

  errors.clear();
  qvglSphere(q, -1, 60, 60);
  qvglSphere(q, 1, 1, 60);
  qvglCylinder(q, 0, 0, 0, 60, 10);
  qvglCylinder(q, 1, 1, 1, 60, 0);
  qvglDisk(q, 2, 1, 60, 2);
  qvglDisk(q, 0, 0, 60, 2);
  qvglPartialDisk(q, 0, 1, 60, 0, 0, 90);
  EXPECT_EQ(errors, std::vector<GLenum>(7, GLU_INVALID_VALUE));
  EXPECT_EQ(recorder.calls, 0);  // no GL call, not even client state
  qvglDeleteQuadric(q);
  qvglDeleteQuadric(nullptr);
}
