#include <gtest/gtest.h>
#include <jpeglib.h>  // after gtest.h, which brings the stdio.h it needs
#include <png.h>
#include <turbojpeg.h>

#include <unistd.h>
#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "qv/os/Image.h"
#include "qv/os/PngBandDecoder.h"
#include "tests/support/LogCapture.h"
#include "tests/support/PngHeader.h"

using namespace qv;

namespace {

// The process's resident and peak resident memory in KiB, from /proc.
long statusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::strlen(field)));
  }
  return -1;
}

struct PngLayout {
  PngLayout(int w, int h, int depth, int type, bool adam7 = false)
      : width(w), height(h), bitDepth(depth), colourType(type), interlaced(adam7) {}
  int width, height, bitDepth, colourType;
  bool interlaced;
  double gamma = 0;  // written as gAMA when > 0
  std::vector<png_color> palette;
  std::vector<uint8_t> paletteAlpha;
};

// Encodes rows of raw samples (as the colour type and depth lay them out) with libpng.
std::vector<uint8_t> encodePNG(const PngLayout& layout, const std::vector<std::vector<uint8_t>>& rows) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, size_t n) {
        auto* bytes = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
        bytes->insert(bytes->end(), data, data + n);
      },
      nullptr);
  png_set_IHDR(png, info, layout.width, layout.height, layout.bitDepth, layout.colourType,
               layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (layout.gamma > 0) png_set_gAMA(png, info, layout.gamma);
  if (!layout.palette.empty()) png_set_PLTE(png, info, layout.palette.data(), int(layout.palette.size()));
  if (!layout.paletteAlpha.empty())
    png_set_tRNS(png, info, layout.paletteAlpha.data(), int(layout.paletteAlpha.size()), nullptr);
  png_write_info(png, info);
  std::vector<png_bytep> pointers;
  for (const auto& row : rows) pointers.push_back(const_cast<png_bytep>(row.data()));
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

std::vector<uint8_t> encodeJPEG(const std::vector<uint8_t>& pixels, int w, int h, int format) {
  tjhandle handle = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  std::vector<uint8_t> out;
  if (tjCompress2(handle, pixels.data(), w, 0, h, format, &jpeg, &size, TJSAMP_444, 95, 0) == 0)
    out.assign(jpeg, jpeg + size);
  tjFree(jpeg);
  tjDestroy(handle);
  return out;
}

// An APP1 segment holding a little- or big-endian EXIF block whose IFD0 has the orientation tag only.
std::vector<uint8_t> withOrientation(std::vector<uint8_t> jpeg, int orientation, bool bigEndian) {
  auto u16 = [&](uint32_t v) {
    return bigEndian ? std::vector<uint8_t>{uint8_t(v >> 8), uint8_t(v)}
                     : std::vector<uint8_t>{uint8_t(v), uint8_t(v >> 8)};
  };
  std::vector<uint8_t> tiff = bigEndian ? std::vector<uint8_t>{'M', 'M'} : std::vector<uint8_t>{'I', 'I'};
  for (auto part :
       {u16(42), u16(bigEndian ? 0 : 8), u16(bigEndian ? 8 : 0), u16(1), u16(0x0112), u16(3),
        u16(bigEndian ? 0 : 1), u16(bigEndian ? 1 : 0), u16(uint32_t(orientation)), u16(0), u16(0), u16(0)})
    tiff.insert(tiff.end(), part.begin(), part.end());
  std::vector<uint8_t> segment = {0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
  segment.insert(segment.end(), tiff.begin(), tiff.end());
  segment[2] = uint8_t((segment.size() - 2) >> 8);
  segment[3] = uint8_t(segment.size() - 2);
  jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
  return jpeg;
}

}  // namespace

TEST(ImageDecodeTest, AHeaderThatPromisesMorePixelsThanTheDataHoldsCostsLittle) {
  // 16384 x 16384 RGBA (1 GiB) in the header, one empty row of data.
  std::vector<uint8_t> png = encodePNG({1, 1, 8, PNG_COLOR_TYPE_RGB_ALPHA}, {{0, 0, 0, 0}});
  claimPngSize(png, 16384, 16384);

  std::ofstream("/proc/self/clear_refs") << "5";  // restarts the peak at the current size
  const long before = statusKiB("VmRSS:");
  LogCapture log;
  EXPECT_EQ(Image::fromBytes(png, "liar.png"), nullptr);
  const long peak = statusKiB("VmHWM:");
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_NE(log.lines[0].find("truncated"), std::string::npos) << log.lines[0];
  // Well under the 1 GiB that filling the promised pixels costs; AddressSanitizer's shadow of the
  // allocation alone is an eighth of it.
  EXPECT_LT(peak - before, 256 * 1024) << "KiB above the " << before << " KiB before";

  // A JPEG frame header claiming 20000 x 20000 (1.5 GiB of pixels, more than images could have before)
  // and no scan.
  const std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xC0, 0,    17, 8, 0x4E, 0x20, 0x4E, 0x20, 3,
                                     1,    0x22, 0,    2,    0x11, 1,  3, 0x11, 1,    0xFF, 0xD9};
  std::ofstream("/proc/self/clear_refs") << "5";
  const long beforeJpeg = statusKiB("VmRSS:");
  EXPECT_EQ(Image::fromBytes(jpeg, "liar.jpg"), nullptr);
  EXPECT_LT(statusKiB("VmHWM:") - beforeJpeg, 256 * 1024) << "KiB above the " << beforeJpeg << " KiB before";
}

TEST(ImageDecodeTest, PNGSamplesKeepTheirValuesWhereTheFileAsksForNoGammaChange) {
  // A 16-bit grey ramp with no gAMA or sRGB chunk: each sample v * 257 reads back as v.
  std::vector<std::vector<uint8_t>> rows(2);
  for (auto& row : rows)
    for (int x = 0; x < 256; ++x) row.insert(row.end(), {uint8_t(x), uint8_t(x)});
  auto grey16 = Image::fromBytes(encodePNG({256, 2, 16, PNG_COLOR_TYPE_GRAY}, rows), "grey16.png");
  ASSERT_TRUE(grey16);
  for (int x : {0, 60, 124, 200, 255}) {
    EXPECT_EQ(grey16->rgba()[size_t(x) * 4], x) << x;
    EXPECT_EQ(grey16->rgba()[size_t(x) * 4 + 3], 255) << x;
  }
  // A file that says its samples are linear (gamma 1.0) is brought to the display's sRGB.
  PngLayout linear{256, 2, 16, PNG_COLOR_TYPE_GRAY};
  linear.gamma = 1.0;
  auto brighter = Image::fromBytes(encodePNG(linear, rows), "linear.png");
  ASSERT_TRUE(brighter);
  EXPECT_GT(brighter->rgba()[60 * 4], 120);
}

TEST(ImageDecodeTest, InterlacedPalettedAndGreyPNGsDecodeToTheSamePixels) {
  // A 13 x 11 picture (odd sizes cross every Adam7 pass boundary) through three encodings.
  const int w = 13, h = 11;
  auto colourAt = [](int x, int y) {
    return std::array<uint8_t, 4>{uint8_t(x * 19), uint8_t(y * 23), 77, 255};
  };
  std::vector<std::vector<uint8_t>> rgba(h), indexed(h);
  PngLayout paletted{w, h, 8, PNG_COLOR_TYPE_PALETTE};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      auto c = colourAt(x, y);
      rgba[y].insert(rgba[y].end(), c.begin(), c.end());
      indexed[y].push_back(uint8_t(paletted.palette.size()));
      paletted.palette.push_back({c[0], c[1], c[2]});
      paletted.paletteAlpha.push_back(x == 0 ? 0 : 255);  // a transparent first column
    }
  PngLayout interlaced{w, h, 8, PNG_COLOR_TYPE_RGB_ALPHA, true};
  auto a = Image::fromBytes(encodePNG(interlaced, rgba), "adam7.png");
  auto b = Image::fromBytes(encodePNG(paletted, indexed), "paletted.png");
  ASSERT_TRUE(a && b);
  ASSERT_EQ(std::pair(a->width(), a->height()), std::pair(w, h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      auto c = colourAt(x, y);
      const uint8_t* p = &a->rgba()[(size_t(y) * w + x) * 4];
      const uint8_t* q = &b->rgba()[(size_t(y) * w + x) * 4];
      EXPECT_EQ(std::vector<uint8_t>(p, p + 4), std::vector<uint8_t>(c.begin(), c.end())) << x << "," << y;
      EXPECT_EQ(std::vector<uint8_t>(q, q + 3), std::vector<uint8_t>(c.begin(), c.begin() + 3));
      EXPECT_EQ(q[3], x == 0 ? 0 : 255);
    }
  // Two-bit grey is widened to 8 bits: 0, 85, 170, 255.
  auto grey = Image::fromBytes(encodePNG({4, 1, 2, PNG_COLOR_TYPE_GRAY}, {{0x1B}}), "grey2.png");
  ASSERT_TRUE(grey);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(grey->rgba()[size_t(x) * 4 + 1], x * 85);
}

// A four-component JPEG written with libjpeg's CMYK colour space (no colour transform): with the Adobe
// segment, as Adobe's programs write it, or without, as a plain CMYK file.
std::vector<uint8_t> encodeCMYKJPEG(const std::vector<uint8_t>& cmyk, int w, int h, bool adobeSegment) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &out, &size);
  info.image_width = JDIMENSION(w);
  info.image_height = JDIMENSION(h);
  info.input_components = 4;
  info.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&info);
  jpeg_set_colorspace(&info, JCS_CMYK);
  jpeg_set_quality(&info, 95, TRUE);
  info.write_Adobe_marker = adobeSegment ? TRUE : FALSE;
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(&cmyk[size_t(info.next_scanline) * size_t(w) * 4]);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::vector<uint8_t> bytes(out, out + size);
  free(out);
  return bytes;
}

// The ways CMYK JPEGs are stored: plain (0 means no ink) and Adobe's inverted samples (255 means no ink,
// marked by the APP14 segment), as CMYK or YCCK. Eight 8x8 patches of an RGB source become ink with the naive
// separation (black takes the common part), and each decodes back to its source colour.
TEST(ImageDecodeTest, CMYKJPEGsPlainAndAdobeInvertedAreDecodedToTheirColours) {
  const std::array<std::array<uint8_t, 3>, 8> source{{{255, 0, 0},
                                                      {0, 255, 0},
                                                      {0, 0, 255},
                                                      {255, 255, 0},
                                                      {0, 160, 200},
                                                      {128, 128, 128},
                                                      {255, 255, 255},
                                                      {0, 0, 0}}};
  const int w = 64, h = 8;
  std::vector<uint8_t> ink, adobe;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const auto& rgb = source[size_t(x / 8)];
      int k = 255 - std::max({rgb[0], rgb[1], rgb[2]});
      std::array<uint8_t, 4> cmyk{};
      for (int i = 0; i < 3; ++i)
        cmyk[size_t(i)] = uint8_t(k == 255 ? 0 : (255 - rgb[size_t(i)] - k) * 255 / (255 - k));
      cmyk[3] = uint8_t(k);
      for (uint8_t v : cmyk) ink.push_back(v), adobe.push_back(uint8_t(255 - v));
    }
  // TurboJPEG's CMYK files are Adobe's kind too, stored as YCCK.
  const std::pair<const char*, std::vector<uint8_t>> files[] = {
      {"plain.jpg", encodeCMYKJPEG(ink, w, h, false)},
      {"adobe.jpg", encodeCMYKJPEG(adobe, w, h, true)},
      {"adobe-ycck.jpg", encodeJPEG(adobe, w, h, TJPF_CMYK)}};
  for (const auto& [name, jpeg] : files) {
    SCOPED_TRACE(name);
    LogCapture log;
    auto image = Image::fromBytes(jpeg, name);
    ASSERT_TRUE(image) << (log.lines.empty() ? "" : log.lines[0]);
    ASSERT_EQ(image->width(), w);
    for (size_t patch = 0; patch < source.size(); ++patch) {
      const uint8_t* pixel = &image->rgba()[(size_t(4) * w + patch * 8 + 4) * 4];
      for (size_t i = 0; i < 3; ++i)
        EXPECT_NEAR(pixel[i], source[patch][i], 6) << "patch " << patch << " channel " << i;
      EXPECT_EQ(pixel[3], 255);
    }
  }
}

TEST(ImageDecodeTest, EXIFOrientationTurnsTheJPEGUpright) {
  // Stored 32 x 16 in quadrants: red top left, green top right, blue bottom left, white bottom right.
  const std::array<uint8_t, 3> red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, white{255, 255, 255};
  std::vector<uint8_t> rgb;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x) {
      const auto& c = y < 8 ? (x < 16 ? red : green) : (x < 16 ? blue : white);
      rgb.insert(rgb.end(), c.begin(), c.end());
    }
  const auto jpeg = encodeJPEG(rgb, 32, 16, TJPF_RGB);
  // Where each stored corner is shown, from the EXIF table (row 0 / column 0 become which side).
  const struct {
    int orientation;
    std::array<uint8_t, 3> topLeft, topRight, bottomLeft;
  } cases[] = {
      {1, red, green, blue}, {2, green, red, white}, {3, white, blue, green}, {4, blue, white, red},
      {5, red, blue, green}, {6, blue, red, white},  {7, white, green, blue}, {8, green, white, red},
  };
  for (bool bigEndian : {false, true}) {
    for (const auto& c : cases) {
      auto image = Image::fromBytes(withOrientation(jpeg, c.orientation, bigEndian), "turned.jpg");
      ASSERT_TRUE(image);
      const bool turned = c.orientation >= 5;
      ASSERT_EQ(std::pair(image->width(), image->height()), turned ? std::pair(16, 32) : std::pair(32, 16));
      const int w = image->width(), h = image->height();
      auto near = [&](int x, int y, const std::array<uint8_t, 3>& want) {
        const uint8_t* p = &image->rgba()[(size_t(y) * w + x) * 4];
        for (int k = 0; k < 3; ++k)
          if (std::abs(int(p[k]) - int(want[k])) > 8) return false;
        return true;
      };
      EXPECT_TRUE(near(2, 2, c.topLeft)) << c.orientation;
      EXPECT_TRUE(near(w - 3, 2, c.topRight)) << c.orientation;
      EXPECT_TRUE(near(2, h - 3, c.bottomLeft)) << c.orientation;
    }
  }
}

namespace {

// Read from a file a few rows at a time, each kind of PNG gives the premultiplied BGRA that the whole-image
// decoder's picture gives; an interlaced file says so (its rows come in passes), and a cut one fails with
// the reason.
TEST(ImageDecodeTest, PNGBandsGiveWhatTheWholeImageDecoderGives) {
  const int w = 37, h = 9;
  std::vector<std::vector<uint8_t>> rgba(h), grey16(h), indexed(h);
  PngLayout paletted{w, h, 8, PNG_COLOR_TYPE_PALETTE};
  for (int i = 0; i < 200; ++i) {
    paletted.palette.push_back({uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)});
    paletted.paletteAlpha.push_back(uint8_t(i * 3));
  }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      rgba[y].insert(rgba[y].end(), {uint8_t(x * 7), uint8_t(y * 29), 200, uint8_t(x * 255 / (w - 1))});
      grey16[y].insert(grey16[y].end(), {uint8_t(x * 6), uint8_t(y)});
      indexed[y].push_back(uint8_t((x + y * w) % 200));
    }
  PngLayout linear{w, h, 16, PNG_COLOR_TYPE_GRAY};
  linear.gamma = 1.0;
  const std::string path = ::testing::TempDir() + "qv-bands-" + std::to_string(getpid()) + ".png";
  auto writeFile = [&](const std::vector<uint8_t>& bytes, size_t count) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(count));
  };
  for (const auto& bytes : {encodePNG({w, h, 8, PNG_COLOR_TYPE_RGB_ALPHA}, rgba), encodePNG(linear, grey16),
                            encodePNG(paletted, indexed)}) {
    writeFile(bytes, bytes.size());
    std::string reason;
    auto decoder = PngBandDecoder::open(path, &reason);
    ASSERT_TRUE(decoder) << reason;
    ASSERT_EQ(std::pair(decoder->width(), decoder->height()), std::pair(w, h));
    EXPECT_FALSE(decoder->interlaced());
    std::vector<uint8_t> bands(size_t(w) * h * 4);
    for (int row = 0; row < h;) {
      const int got = decoder->readRows(bands.data() + size_t(row) * w * 4, size_t(w) * 4, 4);
      ASSERT_GT(got, 0) << decoder->reason();
      row += got;
    }
    auto whole = Image::fromBytes(bytes, "whole.png");
    ASSERT_TRUE(whole);
    std::vector<uint8_t> expected(bands.size());
    whole->copyPremultipliedBGRA(expected.data(), size_t(w) * 4);
    EXPECT_EQ(bands, expected);

    // Cut halfway through the image data.
    const std::string tag = "IDAT";
    const size_t data =
        size_t(std::search(bytes.begin(), bytes.end(), tag.begin(), tag.end()) - bytes.begin());
    writeFile(bytes, data + (bytes.size() - data) / 2);
    decoder = PngBandDecoder::open(path, &reason);
    ASSERT_TRUE(decoder) << reason;
    int read = 0;
    while (read < h) {
      const int got = decoder->readRows(bands.data(), size_t(w) * 4, 1);
      if (got < 0) break;
      read += got;
    }
    EXPECT_LT(read, h);
    EXPECT_EQ(decoder->reason().rfind("corrupt or truncated PNG data", 0), 0u) << decoder->reason();
  }
  const auto adam7 = encodePNG({w, h, 8, PNG_COLOR_TYPE_RGB_ALPHA, true}, rgba);
  writeFile(adam7, adam7.size());
  std::string reason;
  auto decoder = PngBandDecoder::open(path, &reason);
  ASSERT_TRUE(decoder) << reason;
  EXPECT_TRUE(decoder->interlaced());
  std::remove(path.c_str());
}

}  // namespace
