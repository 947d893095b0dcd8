// A JPEG file decoded a band of rows at a time (libjpeg-turbo's libjpeg API), straight to opaque BGRA, at
// full size or at 1/2, 1/4 or 1/8 (the decoder scales in its inverse transform, far cheaper than decoding
// whole and shrinking). The file is read in small pieces from its descriptor, so its size is not capped
// and the whole image is never in memory. The decoder does not turn the picture upright nor convert CMYK:
// callers check orientation() and bgraCapable() and take the whole-image path for those. A truncated or
// damaged file is an error (with one reason), not a warning. One thread at a time; move-less.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class JpegBandDecoder {
 public:
  // Opens `path` (a regular file) and reads the header; nullptr with *reason set when it cannot.
  static std::unique_ptr<JpegBandDecoder> open(const std::string& path, std::string* reason);
  ~JpegBandDecoder();
  JpegBandDecoder(const JpegBandDecoder&) = delete;
  JpegBandDecoder& operator=(const JpegBandDecoder&) = delete;

  int imageWidth() const;   // pixels, as stored
  int imageHeight() const;  // pixels
  // The marker segments before the first scan, as a JPEG prefix (SOI and the APPn segments): what the
  // metadata readers look at.
  const std::vector<uint8_t>& headerSegments() const { return header_; }
  // The stored colours can be decoded straight to BGRA (grey, YCbCr, RGB; not CMYK or YCCK).
  bool bgraCapable() const;

  // Starts decoding at 1/`denominator` of the size (1, 2, 4 or 8); false with reason() on failure. Once.
  bool start(int denominator);
  int width() const { return width_; }  // the decoded size, after start()
  int height() const { return height_; }
  int nextRow() const { return nextRow_; }
  // Decodes up to `rows` rows (fewer at the bottom) into BGRA rows `bytesPerRow` apart; the number
  // decoded, or -1 with reason() on a damaged file.
  int readRows(uint8_t* pixels, size_t bytesPerRow, int rows);
  const std::string& reason() const { return reason_; }

  struct State;  // libjpeg's structures, behind a pointer so this header stays free of them

 private:
  JpegBandDecoder() = default;

  std::unique_ptr<State> state_;
  std::vector<uint8_t> header_;
  int width_ = 0, height_ = 0, nextRow_ = 0;
  std::string reason_;
};

}  // namespace qv
QV_EXPORT_END
