// The mipmap builder and image scaling without a GL context: uploads are recorded and not forwarded.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <utility>
#include <vector>

#include "qv/glu/GLUEnums.h"
#include "qv/render/Mipmap.h"
#include "tests/render/UploadRecorder.h"

using namespace qv;

#if defined(__SANITIZE_ADDRESS__)
// The out-of-memory case asks malloc for 2^60 bytes; the sanitizer's allocator must answer nullptr, as the
// system allocator does, instead of stopping the program.
extern "C" const char* __asan_default_options() {
  return "allocator_may_return_null=1";
}
#endif

namespace {

std::vector<uint8_t> noise(size_t n, uint32_t seed) {
  std::vector<uint8_t> v(n);
  for (auto& b : v) {
    seed = seed * 1664525u + 1013904223u;
    b = uint8_t(seed >> 24);
  }
  return v;
}

using Sizes = std::vector<std::pair<int, int>>;

Sizes levelSizes(const UploadRecorder& r) {
  Sizes s;
  for (const auto& u : r.uploads) s.emplace_back(u.width, u.height);
  return s;
}

const std::string kAlignmentOne = "pixelStorei " + std::to_string(GL_UNPACK_ALIGNMENT) + " 1";

}  // namespace

TEST(MipmapTest, BadArgumentsAreRefusedInOrderWithoutAnyGLCall) {
  UploadRecorder rec;
  uint8_t px[64] = {};
  // Enumerants before sizes; the packed type's format after the enumerants.
  EXPECT_EQ(qvglBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, 4, 4, GL_RGBA, GL_UNSIGNED_SHORT_5_6_5, px), 100904);
  EXPECT_EQ(qvglBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, -1, 4, 0x1905, GL_UNSIGNED_BYTE, px), 100900);
  EXPECT_EQ(qvglBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, 0, 4, GL_RGBA, GL_UNSIGNED_BYTE, px), 100901);
  EXPECT_EQ(qvglBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, 4, -2, GL_RGBA, GL_UNSIGNED_BYTE, px), 100901);
  EXPECT_EQ(qvglBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, 4, 4, GL_RGBA, GL_UNSIGNED_BYTE, nullptr), 100901);

  // Scaling: a zero size wins over everything, then negative sizes, then enumerants.
  uint8_t out[16];
  std::fill_n(out, 16, 0xAB);
  EXPECT_EQ(qvglScaleImage(GL_RGBA, 2, 2, GL_UNSIGNED_BYTE, px, 0, 2, GL_UNSIGNED_BYTE, out), 0);
  EXPECT_EQ(qvglScaleImage(0x190B, 2, -2, GL_FLOAT, px, 2, 0, GL_UNSIGNED_BYTE, out), 0);
  EXPECT_EQ(qvglScaleImage(0x190B, 2, -2, GL_UNSIGNED_BYTE, px, 2, 2, GL_UNSIGNED_BYTE, out), 100901);
  EXPECT_EQ(qvglScaleImage(GL_RGB, 2, 2, GL_UNSIGNED_SHORT_4_4_4_4, px, 2, 2, GL_FLOAT, out), 100900);
  EXPECT_EQ(qvglScaleImage(GL_RGBA, 2, 2, GL_UNSIGNED_BYTE, nullptr, 2, 2, GL_UNSIGNED_BYTE, out), 100901);
  // Byte counts beyond the address space.
  EXPECT_EQ(qvglScaleImage(GL_RGBA, INT_MAX, INT_MAX, GL_UNSIGNED_BYTE, px, 2, 2, GL_UNSIGNED_BYTE, out),
            100901);
  EXPECT_EQ(qvglScaleImage(GL_RGBA, 2, 2, GL_UNSIGNED_BYTE, px, INT_MAX, INT_MAX, GL_UNSIGNED_BYTE, out),
            100901);
  EXPECT_EQ(qvglBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, INT_MAX, INT_MAX, GL_RGBA, GL_UNSIGNED_BYTE, px),
            100901);
  EXPECT_EQ(std::count(std::begin(out), std::end(out), 0xAB), 16);
  EXPECT_TRUE(rec.calls.empty());
}

TEST(MipmapTest, WithoutAContextTheTextureIsNotShrunk) {
  // The size query has no answer, which must not shrink the texture: 30000 -> 32768.
  UploadRecorder rec;
  std::vector<uint8_t> wide(30000, 9);
  ASSERT_EQ(
      qvglBuild2DMipmaps(GL_TEXTURE_2D, GL_LUMINANCE, 30000, 1, GL_LUMINANCE, GL_UNSIGNED_BYTE, wide.data()),
      0);
  ASSERT_EQ(rec.uploads.size(), 16u);
  EXPECT_EQ(rec.uploads[0].width, 32768);
  EXPECT_EQ(rec.uploads[15].pixels, std::vector<uint8_t>{9});
}

TEST(MipmapTest, LevelsUploadsOnlyTheRequestedRangeAndNumbersFromUserLevel) {
  UploadRecorder rec;
  auto px = noise(64 * 16 * 3, 3);
  ASSERT_EQ(
      qvglBuild2DMipmapLevels(GL_TEXTURE_2D, GL_RGB, 64, 16, GL_RGB, GL_UNSIGNED_BYTE, 0, 2, 6, px.data()),
      0);
  ASSERT_EQ(levelSizes(rec), (Sizes{{16, 4}, {8, 2}, {4, 1}, {2, 1}, {1, 1}}));
  EXPECT_EQ(std::pair(rec.uploads[0].level, rec.uploads[4].level), std::pair(2, 6));

  // userLevel renumbers the chain: the caller's 8x8 image is level 3, its 1x1 level 6.
  UploadRecorder rec2;
  ASSERT_EQ(
      qvglBuild2DMipmapLevels(GL_TEXTURE_2D, GL_RGB, 8, 8, GL_RGB, GL_UNSIGNED_BYTE, 3, 3, 6, px.data()), 0);
  ASSERT_EQ(rec2.uploads.size(), 4u);
  EXPECT_EQ(std::pair(rec2.uploads[0].level, rec2.uploads[3].level), std::pair(3, 6));
  EXPECT_EQ(rec2.uploads[0].pixels, std::vector<uint8_t>(px.begin(), px.begin() + 8 * 8 * 3));

  // A side that is not a power of two halves by truncation, the odd column dropped.
  UploadRecorder rec3;
  ASSERT_EQ(
      qvglBuild2DMipmapLevels(GL_TEXTURE_2D, GL_RGB, 12, 8, GL_RGB, GL_UNSIGNED_BYTE, 0, 0, 3, px.data()), 0);
  EXPECT_EQ(levelSizes(rec3), (Sizes{{12, 8}, {6, 4}, {3, 2}, {1, 1}}));
}

TEST(MipmapTest, FailedAllocationReportsOutOfMemoryAndKeepsEarlierLevels) {
  UploadRecorder rec;  // level 0 (2^30 x 2^30) is the caller's data; level 1 needs 2^60 bytes
  uint8_t px[16] = {};
  const int side = 1 << 30;
  EXPECT_EQ(
      qvglBuild2DMipmapLevels(GL_TEXTURE_2D, GL_RGBA, side, side, GL_RGBA, GL_UNSIGNED_BYTE, 0, 0, 30, px),
      100902);
  EXPECT_EQ(rec.calls, (std::vector<std::string>{kAlignmentOne, "texImage2D 0"}));
  ASSERT_EQ(rec.uploads.size(), 1u);
  EXPECT_EQ(rec.uploads[0].width, side);
}
