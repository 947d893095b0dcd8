// A decoded still image: upright 8-bit pixels, top row first. Opaque JPEG images are kept as BGRA (which,
// with full alpha, is already the premultiplied form the view uploads), everything else as straight RGBA;
// rgba() gives the RGBA form either way. Images come from JPEG or PNG files or bytes (libjpeg-turbo,
// libpng), from pixels a program made, or by name from the application's resource folders. Only regular
// files are read, and decoding touches only memory the data fills, so a lying header costs little. Bad
// input gives nullptr and one log line that names the reason. Immutable once made, so any thread may read it.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>

#include <string>
#include <vector>
#include "qv/os/DecodedPixels.h"
#include "qv/os/PanoramaLayout.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class Image {
 public:
  // Largest accepted image: what the JPEG decoder can address, 65535 pixels a side, checked before anything
  // is allocated. Memory is protected by touching only what the data fills, not by a lower cap.
  static constexpr int kMaxDimension = 65535;
  static constexpr uint64_t kMaxPixels = uint64_t(kMaxDimension) * kMaxDimension;
  // Largest file read: the format is checked on its first bytes, and nothing past this is ever read.
  static constexpr uint64_t kMaxFileBytes = uint64_t(256) << 20;

  static std::shared_ptr<Image> fromFile(const std::string& path);
  static std::shared_ptr<Image> fromBytes(std::span<const uint8_t> bytes,
                                          const std::string& nameForLog = "image");
  // Takes RGBA pixels (straight alpha, top row first, width * 4 bytes per row).
  static std::shared_ptr<Image> fromRGBA(int width, int height, std::vector<uint8_t> pixels);

  // Looks the name up in the resource folders (as given, then with .png, .jpg, .jpeg); an absolute or
  // relative path that exists is taken as it is. nullptr when nothing of that name exists.
  static std::shared_ptr<Image> named(const std::string& name);
  static void addResourcePath(const std::string& folder);
  static void clearResourcePaths();

  int width() const { return width_; }
  int height() const { return height_; }
  // Straight-alpha RGBA, top row first, 4 * width * height bytes (made once on first use for images kept
  // as BGRA).
  std::span<const uint8_t> rgba() const;
  // The pixels as premultiplied BGRA rows of 4 * width bytes when that is how the image keeps them
  // (then they can be uploaded without a copy), else nullptr.
  const uint8_t* premultipliedBGRA() const { return decoded_.opaqueBGRA ? decoded_.pixels.get() : nullptr; }

  // Tightly packed or padded rows (bytesPerRow >= 4 * width) with premultiplied alpha.
  void copyPremultipliedBGRA(uint8_t* destination, size_t bytesPerRow) const;
  void copyPremultipliedRGBA(uint8_t* destination, size_t bytesPerRow) const;
  // Only the rectangle at (x, y) of width x height pixels, which must lie within the image.
  void copyPremultipliedBGRA(uint8_t* destination, size_t bytesPerRow, int x, int y, int width,
                             int height) const;

  // What a JPEG's photo-sphere metadata says about the panorama it shows; none without (or with unusable)
  // metadata.
  const std::optional<PanoramaLayout>& panoramaLayout() const { return panoramaLayout_; }
  // Where the picture's metadata suggests a viewer first looks; none when it says nothing usable.
  const std::optional<PanoramaInitialView>& initialView() const { return initialView_; }

  // Writes the image as a PNG file; false (with a log line) on failure.
  bool writePNG(const std::string& path) const;

 private:
  Image(int width, int height, std::vector<uint8_t> rgba)
      : width_(width), height_(height), given_(std::move(rgba)) {}
  explicit Image(DecodedPixels decoded)
      : width_(decoded.width), height_(decoded.height), decoded_(std::move(decoded)) {}
  size_t byteCount() const { return size_t(width_) * size_t(height_) * 4; }

  const int width_, height_;
  const std::vector<uint8_t> given_;                // RGBA, straight alpha, as a program gave it (else empty)
  const DecodedPixels decoded_;                     // what a decoder made (else no pixels)
  std::optional<PanoramaLayout> panoramaLayout_;    // set once, before the image is handed out
  std::optional<PanoramaInitialView> initialView_;  // likewise
  mutable std::once_flag rgbaOnce_;
  mutable std::vector<uint8_t> rgba_;  // RGBA of a BGRA image; written once under rgbaOnce_
};

}  // namespace qv
QV_EXPORT_END
