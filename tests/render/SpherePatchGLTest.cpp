// Patches of the sphere against the sphere quadric: patches that together cover the whole panorama draw the
// picture the quadric draws, seen from inside in several directions, including a pole.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "qv/glu/Quadric.h"
#include "qv/os/GLName.h"
#include "qv/render/SpherePatch.h"
#include "tests/support/GLTestSupport.h"

using namespace qv;

namespace {

constexpr int kSize = 128;

// A texture whose red grows across and green grows down, with a blue checker every 16 texels, so a shifted,
// mirrored or stretched sample shows.
GLTexture makePatternTexture() {
  const int n = 256;
  std::vector<uint8_t> rgba(n * n * 4);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      uint8_t* p = &rgba[(y * n + x) * 4];
      p[0] = uint8_t(x), p[1] = uint8_t(y), p[2] = ((x / 16 + y / 16) % 2) ? 255 : 0, p[3] = 255;
    }
  GLTexture texture = GLTexture::generate();
  glBindTexture(GL_TEXTURE_2D, texture.get());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, n, n, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  return texture;
}

class SpherePatchGLTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(context.ok());
    ASSERT_TRUE(target.complete());
    texture = makePatternTexture();
    glViewport(0, 0, kSize, kSize);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
  }
  // The inside of the sphere seen from its centre, turned by `angle` degrees about `axis`.
  std::vector<uint8_t> render(float angle, float ax, float ay, float az, void (*draw)()) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustumf(-0.6f, 0.6f, -0.6f, 0.6f, 1, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(angle, ax, ay, az);
    draw();
    return target.readRGBA();
  }
  // Pixels whose colour differs by more than a few levels in a channel.
  static int differing(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    int count = 0;
    for (size_t i = 0; i < a.size(); i += 4)
      for (int c = 0; c < 3; ++c)
        if (std::abs(int(a[i + c]) - int(b[i + c])) > 6) {
          ++count;
          break;
        }
    return count;
  }
  ScopedGLContext context;
  OffscreenTarget target{kSize, kSize};
  GLTexture texture;
};

void drawQuadricSphere() {
  GLUquadric* sphere = qvglNewQuadric();
  qvglQuadricTexture(sphere, GL_TRUE);
  qvglSphere(sphere, 20, 60, 60);
  qvglDeleteQuadric(sphere);
}

// Six patches of uneven size, each showing its own part of the texture.
void drawSixPatches() {
  const double xs[] = {0, 0.3, 0.71, 1}, ys[] = {0, 0.45, 1};
  for (int j = 0; j < 2; ++j)
    for (int i = 0; i < 3; ++i) {
      const PanoramaArea area{xs[i], ys[j], xs[i + 1], ys[j + 1]};
      drawSpherePatch(area, area);
    }
}

void drawWholePatch() {
  drawSpherePatch({0, 0, 1, 1}, {0, 0, 1, 1});
}

}  // namespace

TEST_F(SpherePatchGLTest, PatchesCoveringThePanoramaDrawWhatTheSphereDraws) {
  struct Direction {
    float angle, x, y, z;
  };
  for (Direction d : {Direction{0, 0, 0, 1}, Direction{90, 1, 0, 0}, Direction{-90, 1, 0, 0},
                      Direction{130, 0, 1, 0}, Direction{200, 1, 1, 0}}) {
    const std::vector<uint8_t> expected = render(d.angle, d.x, d.y, d.z, drawQuadricSphere);
    // Nearest sampling on a differently split grid moves a few texel edges by a pixel.
    EXPECT_LT(differing(render(d.angle, d.x, d.y, d.z, drawWholePatch), expected), kSize * kSize / 50)
        << "whole, angle " << d.angle;
    EXPECT_LT(differing(render(d.angle, d.x, d.y, d.z, drawSixPatches), expected), kSize * kSize / 50)
        << "six, angle " << d.angle;
  }
}

TEST_F(SpherePatchGLTest, APatchDrawsOnlyItsAreaAndMapsItsTextureRectangleThere) {
  const std::vector<uint8_t> expected = render(90, 1, 0, 0, drawQuadricSphere);
  // The left half of the texture stretched over the left half of the panorama, nothing on the right.
  const std::vector<uint8_t> half = render(90, 1, 0, 0, [] {
    drawSpherePatch({0, 0, 0.5, 1}, {0, 0, 1, 1});
  });
  EXPECT_GT(differing(half, expected), kSize * kSize / 10);
  const std::vector<uint8_t> nothing = render(90, 1, 0, 0, [] {
    drawSpherePatch({0.5, 0, 0.5, 1}, {0, 0, 1, 1});
  });
  EXPECT_EQ(differing(nothing, std::vector<uint8_t>(nothing.size(), 0)), 0);
}
