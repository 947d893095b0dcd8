// A PNG file decoded a band of rows at a time (libpng, row by row), straight to premultiplied BGRA with the
// conversions of the whole-image decoder (decodePNG). The file is read in small pieces, so the whole image
// is never in memory. An interlaced file cannot be decoded in bands (every pass visits every row): callers
// check interlaced() and take the whole-image path for it. A truncated or damaged file is an error with
// one reason. One thread at a time; move-less.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class PngBandDecoder {
 public:
  // Opens `path` (a regular file) and reads the header; nullptr with *reason set when it cannot.
  static std::unique_ptr<PngBandDecoder> open(const std::string& path, std::string* reason);
  ~PngBandDecoder();
  PngBandDecoder(const PngBandDecoder&) = delete;
  PngBandDecoder& operator=(const PngBandDecoder&) = delete;

  int width() const { return width_; }  // pixels
  int height() const { return height_; }
  bool interlaced() const { return interlaced_; }
  // Decodes up to `rows` rows (fewer at the bottom) into BGRA rows `bytesPerRow` apart; the number
  // decoded, or -1 with reason() on a damaged file.
  int readRows(uint8_t* pixels, size_t bytesPerRow, int rows);
  const std::string& reason() const { return reason_; }

  struct State;  // libpng's structures, behind a pointer so this header stays free of them

 private:
  PngBandDecoder() = default;

  std::unique_ptr<State> state_;
  int width_ = 0, height_ = 0, nextRow_ = 0;
  bool interlaced_ = false;
  std::string reason_;
};

}  // namespace qv
QV_EXPORT_END
