#include "qv/os/Image.h"

#include <png.h>

#include <cstring>
#include <filesystem>
#include <mutex>

#include "qv/os/JpegDecode.h"
#include "qv/os/PhotoSphereXmp.h"
#include "qv/os/PngDecode.h"
#include "qv/os/Premultiply.h"
#include "qv/os/QVLog.h"
#include "qv/os/RegularFile.h"

namespace qv {

namespace {

std::mutex resourceLock;
std::vector<std::string>& resourcePaths() {
  static std::vector<std::string> paths;
  return paths;
}

// `rgba` rows are `sourceRowBytes` apart.
template <bool kSwapRedBlue>
void copyPremultiplied(const uint8_t* rgba, size_t sourceRowBytes, int width, int height, uint8_t* out,
                       size_t bytesPerRow) {
  for (int y = 0; y < height; ++y) {
    const uint8_t* src = rgba + size_t(y) * sourceRowBytes;
    uint8_t* dst = out + size_t(y) * bytesPerRow;
    for (int x = 0; x < width; ++x, src += 4, dst += 4) {
      uint32_t a = src[3];
      uint8_t r = src[0], g = src[1], b = src[2];
      if (a != 255) {
        r = premultiply(r, a);
        g = premultiply(g, a);
        b = premultiply(b, a);
      }
      dst[0] = kSwapRedBlue ? b : r;
      dst[1] = g;
      dst[2] = kSwapRedBlue ? r : b;
      dst[3] = uint8_t(a);
    }
  }
}

bool isJPEG(std::span<const uint8_t> bytes) {
  return bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

bool isPNG(std::span<const uint8_t> bytes) {
  static const uint8_t kPNGSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  return bytes.size() >= 8 && std::memcmp(bytes.data(), kPNGSignature, 8) == 0;
}

}  // namespace

bool imageSizeAccepted(uint64_t width, uint64_t height, const std::string& name) {
  if (width == 0 || height == 0) {
    QVLog("Image %s: empty image (%llu x %llu)", name.c_str(), (unsigned long long)width,
          (unsigned long long)height);
    return false;
  }
  if (width > uint64_t(Image::kMaxDimension) || height > uint64_t(Image::kMaxDimension)) {
    QVLog("Image %s: too large (%llu x %llu; at most %d pixels a side)", name.c_str(),
          (unsigned long long)width, (unsigned long long)height, Image::kMaxDimension);
    return false;
  }
  return true;
}

std::shared_ptr<Image> Image::fromBytes(std::span<const uint8_t> bytes, const std::string& name) {
  DecodedPixels decoded;
  std::optional<PanoramaLayout> layout;
  std::optional<PanoramaInitialView> initialView;
  if (isJPEG(bytes)) {
    if (!decodeJPEG(bytes, name, decoded)) return nullptr;
    layout = PhotoSphereXmp::read(bytes, name);
    initialView = PhotoSphereXmp::readInitialView(bytes, name);
  } else if (isPNG(bytes)) {
    if (!decodePNG(bytes, name, decoded)) return nullptr;
  } else {
    QVLog("Image %s: unknown format (neither JPEG nor PNG)", name.c_str());
    return nullptr;
  }
  auto image = std::shared_ptr<Image>(new Image(std::move(decoded)));
  image->panoramaLayout_ = layout;
  image->initialView_ = initialView;
  return image;
}

std::shared_ptr<Image> Image::fromFile(const std::string& path) {
  std::string reason;
  auto file = RegularFile::open(path, &reason);
  if (!file) {
    QVLog("Image %s: %s", path.c_str(), reason.c_str());
    return nullptr;
  }
  if (file->size() > kMaxFileBytes) {
    QVLog("Image %s: too large (%llu bytes; at most %llu)", path.c_str(), (unsigned long long)file->size(),
          (unsigned long long)kMaxFileBytes);
    return nullptr;
  }
  // The signature first, so junk is refused after a few bytes rather than after all of them.
  std::vector<uint8_t> bytes;
  if (!file->read(bytes, 8, &reason)) {
    QVLog("Image %s: %s", path.c_str(), reason.c_str());
    return nullptr;
  }
  if (!isJPEG(bytes) && !isPNG(bytes)) return fromBytes(bytes, path);  // says why
  // Only the size seen at open: a file that grows meanwhile is not followed past the cap.
  if (file->size() > bytes.size() && !file->read(bytes, size_t(file->size()) - bytes.size(), &reason)) {
    QVLog("Image %s: %s", path.c_str(), reason.c_str());
    return nullptr;
  }
  return fromBytes(bytes, path);
}

std::shared_ptr<Image> Image::fromRGBA(int width, int height, std::vector<uint8_t> pixels) {
  if (width <= 0 || height <= 0 || !imageSizeAccepted(uint64_t(width), uint64_t(height), "pixels") ||
      pixels.size() != size_t(width) * size_t(height) * 4) {
    return nullptr;
  }
  return std::shared_ptr<Image>(new Image(width, height, std::move(pixels)));
}

std::shared_ptr<Image> Image::named(const std::string& name) {
  if (name.empty()) return nullptr;
  std::vector<std::string> candidates;
  {
    std::lock_guard<std::mutex> guard(resourceLock);
    for (const auto& folder : resourcePaths()) {
      for (const char* suffix : {"", ".png", ".jpg", ".jpeg"})
        candidates.push_back(folder + "/" + name + suffix);
    }
  }
  candidates.push_back(name);
  std::error_code error;
  for (const auto& path : candidates) {
    if (std::filesystem::is_regular_file(path, error)) return fromFile(path);
  }
  return nullptr;
}

void Image::addResourcePath(const std::string& folder) {
  std::lock_guard<std::mutex> guard(resourceLock);
  resourcePaths().push_back(folder);
}

void Image::clearResourcePaths() {
  std::lock_guard<std::mutex> guard(resourceLock);
  resourcePaths().clear();
}

std::span<const uint8_t> Image::rgba() const {
  if (!decoded_.pixels) return given_;
  if (!decoded_.opaqueBGRA) return {decoded_.pixels.get(), byteCount()};
  std::call_once(rgbaOnce_, [this] {
    rgba_.resize(byteCount());
    const uint8_t* bgra = decoded_.pixels.get();
    for (size_t i = 0; i < rgba_.size(); i += 4) {
      rgba_[i] = bgra[i + 2];
      rgba_[i + 1] = bgra[i + 1];
      rgba_[i + 2] = bgra[i];
      rgba_[i + 3] = bgra[i + 3];
    }
  });
  return rgba_;
}

void Image::copyPremultipliedBGRA(uint8_t* destination, size_t bytesPerRow) const {
  if (const uint8_t* bgra = premultipliedBGRA()) {
    size_t row = size_t(width_) * 4;
    for (int y = 0; y < height_; ++y)
      std::memcpy(destination + size_t(y) * bytesPerRow, bgra + size_t(y) * row, row);
    return;
  }
  copyPremultiplied<true>(rgba().data(), size_t(width_) * 4, width_, height_, destination, bytesPerRow);
}

void Image::copyPremultipliedBGRA(uint8_t* destination, size_t bytesPerRow, int x, int y, int width,
                                  int height) const {
  const size_t sourceRowBytes = size_t(width_) * 4;
  const size_t offset = size_t(y) * sourceRowBytes + size_t(x) * 4;
  if (const uint8_t* bgra = premultipliedBGRA()) {
    for (int row = 0; row < height; ++row)
      std::memcpy(destination + size_t(row) * bytesPerRow, bgra + offset + size_t(row) * sourceRowBytes,
                  size_t(width) * 4);
    return;
  }
  copyPremultiplied<true>(rgba().data() + offset, sourceRowBytes, width, height, destination, bytesPerRow);
}

void Image::copyPremultipliedRGBA(uint8_t* destination, size_t bytesPerRow) const {
  // Kept as BGRA means opaque: premultiplied and straight are the same.
  copyPremultiplied<false>(rgba().data(), size_t(width_) * 4, width_, height_, destination, bytesPerRow);
}

bool Image::writePNG(const std::string& path) const {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(width_);
  image.height = png_uint_32(height_);
  image.format = PNG_FORMAT_RGBA;
  if (!png_image_write_to_file(&image, path.c_str(), 0, rgba().data(), 0, nullptr)) {
    QVLog("Image %s: cannot write PNG (%s)", path.c_str(), image.message);
    return false;
  }
  return true;
}

}  // namespace qv
