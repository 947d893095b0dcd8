#include "qv/os/PngDecode.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "qv/os/QVLog.h"

namespace qv {

namespace {

struct PngRead {
  std::span<const uint8_t> bytes;
  size_t offset = 0;
  const std::string* name = nullptr;
  bool headerRead = false;
  char message[200] = "";
  DecodedPixels* out = nullptr;
};

void onError(png_structp png, png_const_charp message) {
  auto* read = static_cast<PngRead*>(png_get_error_ptr(png));
  std::snprintf(read->message, sizeof read->message, "%s", message);
  png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

void readBytes(png_structp png, png_bytep data, size_t length) {
  auto* read = static_cast<PngRead*>(png_get_io_ptr(png));
  if (read->bytes.size() - read->offset < length) png_error(png, "unexpected end of data");
  std::memcpy(data, read->bytes.data() + read->offset, length);
  read->offset += length;
}

// Everything that may longjmp lives here and writes only through `read`, so nothing is left indeterminate.
bool run(png_structp png, png_infop info, PngRead* read) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, read, readBytes);
  png_read_info(png, info);
  read->headerRead = true;
  const png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
  if (!imageSizeAccepted(width, height, *read->name)) {
    read->message[0] = '\0';
    return false;
  }
  const int passes = setUpPngOutput(png, info, false);
  const size_t rowBytes = size_t(width) * 4;
  if (png_get_rowbytes(png, info) != rowBytes) png_error(png, "unexpected row layout");
  read->out->pixels.reset(new (std::nothrow) uint8_t[rowBytes * height]);
  if (!read->out->pixels) png_error(png, "cannot allocate the pixels");
  read->out->width = int(width);
  read->out->height = int(height);
  // Row by row, each pass writing only its own pixels: memory is touched as the data fills it.
  uint8_t* pixels = read->out->pixels.get();
  for (int pass = 0; pass < passes; ++pass)
    for (png_uint_32 y = 0; y < height; ++y) png_read_row(png, pixels + rowBytes * y, nullptr);
  png_read_end(png, nullptr);
  return true;
}

}  // namespace

int setUpPngOutput(png_structp png, png_infop info, bool bgr) {
  png_set_expand(png);  // palette and low-depth grey to 8 bits, tRNS to alpha
  png_set_scale_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  if (bgr) png_set_bgr(png);
  double gamma = 0;
  if (!png_get_valid(png, info, PNG_INFO_sRGB) && png_get_gAMA(png, info, &gamma) && gamma > 0)
    png_set_gamma(png, PNG_DEFAULT_sRGB, gamma);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  return passes;
}

bool decodePNG(std::span<const uint8_t> bytes, const std::string& name, DecodedPixels& out) {
  PngRead read;
  read.bytes = bytes;
  read.name = &name;
  read.out = &out;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &read, onError, onWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    QVLog("Image %s: cannot start the PNG decoder", name.c_str());
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  bool ok = run(png, info, &read);
  png_destroy_read_struct(&png, &info, nullptr);
  if (ok) return true;
  out.pixels.reset();
  if (!read.headerRead) {
    QVLog("Image %s: corrupt PNG header (%s)", name.c_str(), read.message);
  } else if (read.message[0] != '\0') {
    QVLog("Image %s: corrupt or truncated PNG data (%s)", name.c_str(), read.message);
  }
  return false;
}

}  // namespace qv
