// The mipmap builder and image scaling against Mesa's libGLU on a desktop GL context, and on GL ES itself.
// The kit picks target sizes by the nearest-power rule (the same sizes as libGLU whenever the texture fits,
// as all of these do) and reads no pixel-storage state, so the desktop context runs with alignment 1.
#include <gtest/gtest.h>

#include <GL/glu.h>

#include <cstdint>
#include <cstdlib>
#include <tuple>
#include <vector>

#include "qv/render/Mipmap.h"
#include "tests/render/UploadRecorder.h"
#include "tests/support/GLTestSupport.h"

using namespace qv;

namespace {

struct PixelType {
  GLenum format, type;
};

const PixelType kPixelTypes[] = {
    {GL_ALPHA, GL_UNSIGNED_BYTE},
    {GL_RGB, GL_UNSIGNED_BYTE},
    {GL_RGBA, GL_UNSIGNED_BYTE},
    {GL_LUMINANCE, GL_UNSIGNED_BYTE},
    {GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE},
    {GL_RGB, GL_UNSIGNED_SHORT_5_6_5},
    {GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4},
    {GL_RGBA, GL_UNSIGNED_SHORT_5_5_5_1},
};

std::vector<uint8_t> noise(size_t n, uint32_t seed) {
  std::vector<uint8_t> v(n);
  for (auto& b : v) {
    seed = seed * 1664525u + 1013904223u;
    b = uint8_t(seed >> 24);
  }
  return v;
}

size_t imageBytes(int w, int h, PixelType p) {
  return size_t(w) * h * UploadRecorder::pixelBytes(p.format, p.type);
}

// The largest difference of any component (any bit field of a packed pixel) between two images.
int maxComponentDifference(PixelType p, const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  if (a.size() != b.size()) return 1 << 20;
  int worst = 0;
  if (p.type == GL_UNSIGNED_BYTE) {
    for (size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(int(a[i]) - int(b[i])));
    return worst;
  }
  // (shift, bits) of each field.
  const std::vector<std::pair<int, int>> fields =
      p.type == GL_UNSIGNED_SHORT_5_6_5 ? std::vector<std::pair<int, int>>{{11, 5}, {5, 6}, {0, 5}}
      : p.type == GL_UNSIGNED_SHORT_4_4_4_4
          ? std::vector<std::pair<int, int>>{{12, 4}, {8, 4}, {4, 4}, {0, 4}}
          : std::vector<std::pair<int, int>>{{11, 5}, {6, 5}, {1, 5}, {0, 1}};
  for (size_t i = 0; i + 1 < a.size(); i += 2)
    for (auto [shift, bits] : fields) {
      const int va = (a[i] | a[i + 1] << 8) >> shift, vb = (b[i] | b[i + 1] << 8) >> shift,
                mask = (1 << bits) - 1;
      worst = std::max(worst, std::abs((va & mask) - (vb & mask)));
    }
  return worst;
}

// A desktop context for libGLU, tightly packed in both directions.
struct DesktopGL {
  ScopedGLContext scoped{EglContext::Api::DesktopGL};
  DesktopGL() {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  }
};

struct Level {
  int width, height;
  std::vector<uint8_t> pixels;
};

// libGLU's chain, read back level by level from the desktop texture.
std::vector<Level> referenceChain(int w, int h, PixelType p, const std::vector<uint8_t>& image) {
  DesktopGL desktop;
  EXPECT_TRUE(desktop.scoped.ok());
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  EXPECT_EQ(gluBuild2DMipmaps(GL_TEXTURE_2D, GLint(p.format), w, h, p.format, p.type, image.data()), 0);
  std::vector<Level> chain;
  for (int level = 0; level < 32; ++level) {
    GLint lw = 0, lh = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &lw);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &lh);
    if (lw == 0) break;
    Level l{lw, lh, std::vector<uint8_t>(imageBytes(lw, lh, p))};
    glGetTexImage(GL_TEXTURE_2D, level, p.format, p.type, l.pixels.data());
    chain.push_back(std::move(l));
  }
  glDeleteTextures(1, &texture);
  return chain;
}

}  // namespace

TEST(MipmapGLTest, ScaleImageMatchesLibGLU) {
  struct Sizes {
    int wi, hi, wo, ho;
  };
  const Sizes sizes[] = {{5, 3, 11, 7}, {16, 8, 8, 4}, {13, 9, 4, 4},   {1, 7, 5, 1},  {6, 6, 6, 6},
                         {10, 1, 3, 1}, {7, 7, 14, 3}, {30, 20, 7, 45}, {3, 2, 64, 33}};
  DesktopGL desktop;
  ASSERT_TRUE(desktop.scoped.ok());
  auto compare = [&](PixelType in, PixelType out, const Sizes& s) {
    auto image = noise(imageBytes(s.wi, s.hi, in), uint32_t(s.wi * 31 + s.ho + in.type));
    std::vector<uint8_t> ours(imageBytes(s.wo, s.ho, out)), theirs(ours.size());
    ASSERT_EQ(qvglScaleImage(in.format, s.wi, s.hi, in.type, image.data(), s.wo, s.ho, out.type, ours.data()),
              0);
    ASSERT_EQ(
        gluScaleImage(in.format, s.wi, s.hi, in.type, image.data(), s.wo, s.ho, out.type, theirs.data()), 0);
    EXPECT_EQ(maxComponentDifference(out, ours, theirs), 0)
        << std::hex << in.format << " " << in.type << " -> " << out.type << std::dec << ", " << s.wi << "x"
        << s.hi << " -> " << s.wo << "x" << s.ho;
  };
  for (PixelType p : kPixelTypes)
    for (const Sizes& s : sizes) compare(p, p, s);
  // Between types of one format.
  for (const Sizes& s : sizes) {
    compare({GL_RGBA, GL_UNSIGNED_BYTE}, {GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4}, s);
    compare({GL_RGBA, GL_UNSIGNED_SHORT_5_5_5_1}, {GL_RGBA, GL_UNSIGNED_BYTE}, s);
    compare({GL_RGB, GL_UNSIGNED_SHORT_5_6_5}, {GL_RGB, GL_UNSIGNED_BYTE}, s);
    compare({GL_RGB, GL_UNSIGNED_BYTE}, {GL_RGB, GL_UNSIGNED_SHORT_5_6_5}, s);
  }
}

TEST(MipmapGLTest, Build2DMipmapsMatchesLibGLULevelByLevel) {
  struct Size {
    int w, h;
  };
  const Size sizes[] = {{100, 50}, {3, 3}, {5, 5}, {6, 6}, {1, 7}, {17, 1}, {64, 16}, {33, 20}, {13, 130}};
  for (PixelType p : kPixelTypes) {
    for (Size s : sizes) {
      auto image = noise(imageBytes(s.w, s.h, p), uint32_t(s.w * 7 + s.h + p.format));
      // Ours with no context current: the uploads are recorded, not forwarded.
      UploadRecorder rec;
      ASSERT_EQ(qvglBuild2DMipmaps(GL_TEXTURE_2D, GLint(p.format), s.w, s.h, p.format, p.type, image.data()),
                0);
      // libGLU's byte scaler clamps its last source row onto its first one for an image one pixel high,
      // which leaves every weight zero and the whole row black. The kit averages such a row properly; its
      // reference is libGLU's result for the same bytes as a one-pixel column, which it scales correctly.
      const bool rowScaledByBytes = s.h == 1 && p.type == GL_UNSIGNED_BYTE && (s.w & (s.w - 1)) != 0;
      auto reference =
          rowScaledByBytes ? referenceChain(1, s.w, p, image) : referenceChain(s.w, s.h, p, image);
      if (rowScaledByBytes)
        for (auto& l : reference) std::swap(l.width, l.height);
      ASSERT_EQ(rec.uploads.size(), reference.size()) << s.w << "x" << s.h;
      for (size_t level = 0; level < reference.size(); ++level) {
        const auto& u = rec.uploads[level];
        SCOPED_TRACE(testing::Message() << std::hex << p.format << " " << p.type << std::dec << ", " << s.w
                                        << "x" << s.h << " level " << level);
        EXPECT_EQ(std::tuple(u.level, u.width, u.height),
                  std::tuple(GLint(level), reference[level].width, reference[level].height));
        EXPECT_EQ(maxComponentDifference(p, u.pixels, reference[level].pixels), 0);
      }
    }
  }
}

// A textured quad over the whole viewport, texture row 0 at the bottom.
static void drawTexturedQuad() {
  static const GLfloat vertices[] = {-1, -1, 1, -1, -1, 1, 1, 1};
  static const GLfloat texcoords[] = {0, 0, 1, 0, 0, 1, 1, 1};
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glEnable(GL_TEXTURE_2D);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glVertexPointer(2, GL_FLOAT, 0, vertices);
  glTexCoordPointer(2, GL_FLOAT, 0, texcoords);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

TEST(MipmapGLTest, TightRowsDrawRightUnderTheCallersAlignmentAndTheChainIsComplete) {
  ScopedGLContext scoped;
  ASSERT_TRUE(scoped.ok());
  OffscreenTarget target(2, 2);
  ASSERT_TRUE(target.complete());
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  // Rows of 6 bytes: under an alignment of 4 the second row would be read from byte 8.
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  const uint8_t rgb[12] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
  ASSERT_EQ(qvglBuild2DMipmaps(GL_TEXTURE_2D, GL_RGB, 2, 2, GL_RGB, GL_UNSIGNED_BYTE, rgb), 0);
  GLint alignment = 0;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  EXPECT_EQ(alignment, 1);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST_MIPMAP_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  drawTexturedQuad();
  auto pixels = target.readRGBA();
  const uint8_t expected[16] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
  EXPECT_EQ(std::vector<uint8_t>(pixels.begin(), pixels.end()),
            std::vector<uint8_t>(expected, expected + 16));

  // Drawn at half size the 1x1 level shows: an incomplete chain would draw untextured white instead.
  glClear(GL_COLOR_BUFFER_BIT);
  glViewport(0, 0, 1, 1);
  drawTexturedQuad();
  pixels = target.readRGBA();
  EXPECT_EQ(std::vector<uint8_t>(pixels.begin(), pixels.begin() + 3), std::vector<uint8_t>(3, 128));
  glDeleteTextures(1, &texture);
}

TEST(MipmapGLTest, TargetSizeIsClampedToTheDevicesMaximum) {
  ScopedGLContext scoped;
  ASSERT_TRUE(scoped.ok());
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  ASSERT_GT(maxSize, 0);
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  const int width = maxSize * 2 + 5;  // its nearest power is twice the maximum
  std::vector<uint8_t> row(size_t(width), 77);
  UploadRecorder rec(/*forward=*/true);
  ASSERT_EQ(
      qvglBuild2DMipmaps(GL_TEXTURE_2D, GL_LUMINANCE, width, 1, GL_LUMINANCE, GL_UNSIGNED_BYTE, row.data()),
      0);
  ASSERT_FALSE(rec.uploads.empty());
  EXPECT_EQ(rec.uploads[0].width, maxSize);
  EXPECT_EQ(rec.uploads.back().width, 1);
  EXPECT_EQ(rec.uploads.back().pixels, std::vector<uint8_t>{77});
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  glDeleteTextures(1, &texture);
}
