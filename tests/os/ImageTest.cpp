#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cstring>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "qv/os/Image.h"
#include "qv/os/PixelBuffer.h"
#include "tests/support/PngHeader.h"
#include "tests/support/ViewTestSupport.h"

using namespace qv;

namespace {

std::string tempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("qv-image-test-" + name)).string();
}

std::vector<uint8_t> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::shared_ptr<Image> gradient(int w, int h, uint8_t alpha) {
  std::vector<uint8_t> rgba(size_t(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &rgba[(size_t(y) * w + x) * 4];
      p[0] = uint8_t(x * 255 / (w - 1));
      p[1] = uint8_t(y * 255 / (h - 1));
      p[2] = 77;
      p[3] = alpha;
    }
  return Image::fromRGBA(w, h, std::move(rgba));
}

}  // namespace

TEST(ImageTest, PremultipliedBGRAConversion) {
  auto image = Image::fromRGBA(2, 1, {200, 100, 50, 255, 200, 100, 50, 128});
  ASSERT_TRUE(image);
  std::vector<uint8_t> bgra(8 + 8, 0xEE);  // padded rows: the padding stays untouched
  image->copyPremultipliedBGRA(bgra.data(), 16);
  EXPECT_EQ(std::vector<uint8_t>(bgra.begin(), bgra.begin() + 8),
            (std::vector<uint8_t>{50, 100, 200, 255, 25, 50, 100, 128}));
  EXPECT_EQ(bgra[8], 0xEE);
  auto clear = Image::fromRGBA(1, 1, {255, 255, 255, 0});
  uint8_t out[4];
  clear->copyPremultipliedBGRA(out, 4);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 4), (std::vector<uint8_t>{0, 0, 0, 0}));
}

TEST(ImageTest, BadInputGivesNullAndOneLineNamingTheReason) {
  LogCapture log;
  std::string missing = tempPath("does-not-exist.png");
  EXPECT_EQ(Image::fromFile(missing), nullptr);
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_NE(log.lines[0].find("no such file"), std::string::npos);

  const uint8_t text[] = "hello, not an image";
  EXPECT_EQ(Image::fromBytes(text, "text"), nullptr);
  EXPECT_NE(log.lines.back().find("unknown format"), std::string::npos);

  // A PNG cut in half.
  auto image = gradient(64, 64, 255);
  std::string path = tempPath("cut.png");
  ASSERT_TRUE(image->writePNG(path));
  auto bytes = readFile(path);
  bytes.resize(bytes.size() / 2);
  EXPECT_EQ(Image::fromBytes(bytes, "cut.png"), nullptr);
  EXPECT_NE(log.lines.back().find("truncated"), std::string::npos);
  std::remove(path.c_str());
}

TEST(ImageTest, OversizedHeaderIsRefusedBeforeAllocating) {
  // A real PNG whose header is patched to claim 100000 x 100000 pixels (with a matching header CRC).
  std::string path = tempPath("huge.png");
  ASSERT_TRUE(gradient(2, 2, 255)->writePNG(path));
  auto png = readFile(path);
  std::remove(path.c_str());
  claimPngSize(png, 100000, 100000);
  LogCapture log;
  EXPECT_EQ(Image::fromBytes(png, "huge.png"), nullptr);
  ASSERT_FALSE(log.lines.empty());
  EXPECT_NE(log.lines.back().find("too large"), std::string::npos);
}

TEST(PixelBufferTest, WrapsCallerBytesWithoutCopyingAndReleasesThemOnce) {
  std::vector<uint8_t> bytes(16 * 4 * 2);
  int released = 0;
  {
    auto buffer = PixelBuffer::createWithBytes(16, 2, bytes.data(), 64, [&] { ++released; });
    ASSERT_TRUE(buffer);
    EXPECT_EQ(buffer->baseAddress(), bytes.data());
    EXPECT_EQ(buffer->lockBaseAddress(), 0);
    EXPECT_TRUE(buffer->isLocked());
    EXPECT_EQ(buffer->unlockBaseAddress(), 0);
    EXPECT_NE(buffer->unlockBaseAddress(), 0);  // unlock without a lock is refused
    auto copy = buffer;
  }
  EXPECT_EQ(released, 1);
  EXPECT_EQ(PixelBuffer::createWithBytes(16, 2, bytes.data(), 32), nullptr);  // rows too short for BGRA
  EXPECT_EQ(PixelBuffer::create(0, 5), nullptr);
}

TEST(ImageTest, JPEGIsKeptInTheUploadFormAndStillReadsAsRGBA) {
  // A flat-coloured JPEG (flat areas survive compression almost exactly).
  std::vector<uint8_t> rgb(32 * 16 * 3);
  for (size_t i = 0; i < rgb.size(); i += 3) rgb[i] = 200, rgb[i + 1] = 100, rgb[i + 2] = 50;
  tjhandle handle = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  ASSERT_EQ(tjCompress2(handle, rgb.data(), 32, 0, 16, TJPF_RGB, &jpeg, &size, TJSAMP_444, 100, 0), 0);
  auto image = Image::fromBytes(std::span<const uint8_t>(jpeg, size), "flat.jpg");
  tjFree(jpeg);
  tjDestroy(handle);
  ASSERT_TRUE(image);
  const uint8_t* bgra = image->premultipliedBGRA();
  ASSERT_NE(bgra, nullptr);
  EXPECT_NEAR(bgra[0], 50, 2);
  EXPECT_NEAR(bgra[2], 200, 2);
  EXPECT_EQ(bgra[3], 255);
  EXPECT_NEAR(image->rgba()[0], 200, 2);
  EXPECT_NEAR(image->rgba()[2], 50, 2);
  std::vector<uint8_t> copied(32 * 16 * 4);
  image->copyPremultipliedBGRA(copied.data(), 32 * 4);
  EXPECT_EQ(0, std::memcmp(copied.data(), bgra, copied.size()));
  EXPECT_EQ(Image::fromRGBA(1, 1, {1, 2, 3, 4})->premultipliedBGRA(), nullptr);
}
