// Quadric tessellation seen through the GL call seam, without GL: batches, arrays, options and errors.
#include "qv/glu/Quadric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "tests/glu/GLCallRecorder.h"

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

// The (mode, count) of each draw, run-length encoded as {mode, count, repeats}.
struct Batch {
  GLenum mode;
  GLsizei count;
  int repeats;
  bool operator==(const Batch&) const = default;
};
std::vector<Batch> runs(const std::vector<RecordedDraw>& draws) {
  std::vector<Batch> out;
  for (const auto& d : draws)
    if (!out.empty() && out.back().mode == d.mode && out.back().count == d.count)
      ++out.back().repeats;
    else
      out.push_back({d.mode, d.count, 1});
  return out;
}

// The GL calls `draw` makes, recorded; `colourArray` starts with the colour array enabled.
template <typename Draw>
GLCallRecorder record(Draw draw, bool colourArray = false) {
  GLCallRecorder recorder;
  recorder.enabled[GL_COLOR_ARRAY] = colourArray;
  glseam::ScopedObserver scoped(&recorder);
  draw();
  return recorder;
}
std::ostream& operator<<(std::ostream& os, const Batch& r) {
  return os << "{" << r.mode << ", " << r.count << " x" << r.repeats << "}";
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

TEST(QuadricTest, BatchesOfEveryShapeAndStyle) {
  struct Case {
    const char* what;
    void (*draw)(GLUquadric*);
    GLenum style;
    std::vector<Batch> expected;
  };
  const GLenum S = GL_TRIANGLE_STRIP, F = GL_TRIANGLE_FAN, P = GL_POINTS, L = GL_LINE_STRIP;
  auto sphere = [](GLUquadric* q) { qvglSphere(q, 1, 8, 5); };
  auto cylinder = [](GLUquadric* q) { qvglCylinder(q, 1, 0.5f, 2, 8, 3); };
  auto disk = [](GLUquadric* q) { qvglDisk(q, 0, 1, 8, 3); };
  auto ring = [](GLUquadric* q) { qvglDisk(q, 0.5f, 1, 8, 3); };
  auto sector = [](GLUquadric* q) { qvglPartialDisk(q, 0.5f, 1, 8, 3, 10, 90); };
  auto circle = [](GLUquadric* q) { qvglPartialDisk(q, 1, 1, 8, 3, 0, 360); };
  auto arc = [](GLUquadric* q) { qvglPartialDisk(q, 1, 1, 8, 3, 0, 90); };
  const Case cases[] = {
      {"sphere fill", sphere, GLU_FILL, {{F, 10, 2}, {S, 18, 3}}},
      {"sphere point", sphere, GLU_POINT, {{P, 8, 6}}},
      {"sphere line", sphere, GLU_LINE, {{L, 9, 4}, {L, 6, 8}}},
      {"sphere silhouette", sphere, GLU_SILHOUETTE, {{L, 9, 4}, {L, 6, 8}}},
      {"cylinder fill", cylinder, GLU_FILL, {{S, 18, 3}}},
      {"cylinder point", cylinder, GLU_POINT, {{P, 4, 8}}},
      {"cylinder line", cylinder, GLU_LINE, {{L, 9, 4}, {L, 4, 8}}},
      {"cylinder silhouette", cylinder, GLU_SILHOUETTE, {{L, 9, 2}, {L, 4, 8}}},
      {"disk fill", disk, GLU_FILL, {{F, 10, 1}, {S, 18, 2}}},
      {"ring fill", ring, GLU_FILL, {{S, 18, 3}}},
      {"ring point", ring, GLU_POINT, {{P, 8, 4}}},
      {"sector point", sector, GLU_POINT, {{P, 9, 4}}},
      {"ring line", ring, GLU_LINE, {{L, 9, 4}, {L, 4, 8}}},
      {"sector line", sector, GLU_LINE, {{L, 9, 4}, {L, 4, 9}}},
      {"circle line", circle, GLU_LINE, {{L, 9, 1}}},
      {"ring silhouette", ring, GLU_SILHOUETTE, {{L, 9, 2}}},
      {"sector silhouette", sector, GLU_SILHOUETTE, {{L, 4, 2}, {L, 9, 2}}},
      {"arc silhouette", arc, GLU_SILHOUETTE, {{L, 4, 2}, {L, 9, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Quadric quadric(c.style);
    GLCallRecorder recorder = record([&] { c.draw(quadric.q); }, true);
    EXPECT_EQ(runs(recorder.draws), c.expected);
    EXPECT_FALSE(recorder.anyArrayEnabled());
  }
  EXPECT_TRUE(errors.empty());
}

// Positions and texture coordinates are compared with libGLU elsewhere; the flat disk's normal is one
// current normal rather than an array.
TEST(QuadricTest, TheCallersDisk) {
  Quadric quadric(GLU_FILL, true);
  GLCallRecorder recorder = record([&] { qvglDisk(quadric.q, 0, 6.7f, 60, 2); });
  ASSERT_EQ(runs(recorder.draws),
            (std::vector<Batch>{{GL_TRIANGLE_FAN, 62, 1}, {GL_TRIANGLE_STRIP, 122, 1}}));
  EXPECT_TRUE(recorder.draws[1].normals.empty());
  EXPECT_EQ(recorder.currentNormals, (std::vector<std::vector<GLfloat>>{{0, 0, 1}}));
  EXPECT_FALSE(recorder.anyArrayEnabled());
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
