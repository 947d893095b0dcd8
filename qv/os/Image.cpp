#include "qv/os/Image.h"

#include <png.h>
#include <turbojpeg.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <new>

#include "qv/os/QVLog.h"

namespace {

std::mutex resourceLock;
std::vector<std::string>& resourcePaths() {
  static std::vector<std::string> paths;
  return paths;
}

bool sizeAccepted(uint64_t width, uint64_t height, const std::string& name) {
  if (width == 0 || height == 0) {
    QVLog("Image %s: empty image (%llu x %llu)", name.c_str(), (unsigned long long)width,
          (unsigned long long)height);
    return false;
  }
  if (width > uint64_t(Image::kMaxDimension) || height > uint64_t(Image::kMaxDimension) ||
      width * height > Image::kMaxPixels) {
    QVLog("Image %s: too large (%llu x %llu; at most %llu pixels)", name.c_str(), (unsigned long long)width,
          (unsigned long long)height, (unsigned long long)Image::kMaxPixels);
    return false;
  }
  return true;
}

bool decodeJPEG(std::span<const uint8_t> bytes, const std::string& name, std::unique_ptr<uint8_t[]>& pixels,
                int& width, int& height) {
  tjhandle handle = tjInitDecompress();
  if (!handle) {
    QVLog("Image %s: cannot start the JPEG decoder", name.c_str());
    return false;
  }
  int subsampling = 0, colourspace = 0;
  if (tjDecompressHeader3(handle, bytes.data(), (unsigned long)bytes.size(), &width, &height, &subsampling,
                          &colourspace) != 0) {
    QVLog("Image %s: corrupt JPEG header (%s)", name.c_str(), tjGetErrorStr2(handle));
    tjDestroy(handle);
    return false;
  }
  if (!sizeAccepted(uint64_t(width), uint64_t(height), name)) {
    tjDestroy(handle);
    return false;
  }
  // Fresh pages, not zero-filled first: the decoder writes every byte.
  pixels.reset(new (std::nothrow) uint8_t[size_t(width) * size_t(height) * 4]);
  if (!pixels) {
    QVLog("Image %s: cannot allocate %dx%d pixels", name.c_str(), width, height);
    tjDestroy(handle);
    return false;
  }
  // Decoded straight to BGRA: JPEG has no alpha, so this is already the premultiplied form the view uploads.
  // A truncated or damaged file only raises a warning in the decoder: treat it as the error it is.
  if (tjDecompress2(handle, bytes.data(), (unsigned long)bytes.size(), pixels.get(), width, 0, height,
                    TJPF_BGRA, TJFLAG_STOPONWARNING) != 0) {
    QVLog("Image %s: corrupt or truncated JPEG data (%s)", name.c_str(), tjGetErrorStr2(handle));
    tjDestroy(handle);
    return false;
  }
  tjDestroy(handle);
  return true;
}

bool decodePNG(std::span<const uint8_t> bytes, const std::string& name, std::vector<uint8_t>& pixels,
               int& width, int& height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
    QVLog("Image %s: corrupt PNG header (%s)", name.c_str(), image.message);
    return false;
  }
  if (!sizeAccepted(image.width, image.height, name)) {
    png_image_free(&image);
    return false;
  }
  image.format = PNG_FORMAT_RGBA;
  width = int(image.width);
  height = int(image.height);
  pixels.resize(size_t(width) * size_t(height) * 4);
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
    QVLog("Image %s: corrupt or truncated PNG data (%s)", name.c_str(), image.message);
    png_image_free(&image);
    return false;
  }
  return true;
}

// c * a / 255, rounded.
inline uint8_t premultiply(uint32_t c, uint32_t a) {
  return uint8_t((c * a + 127) / 255);
}

template <bool kSwapRedBlue>
void copyPremultiplied(const std::vector<uint8_t>& rgba, int width, int height, uint8_t* out,
                       size_t bytesPerRow) {
  for (int y = 0; y < height; ++y) {
    const uint8_t* src = &rgba[size_t(y) * size_t(width) * 4];
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

}  // namespace

std::shared_ptr<Image> Image::fromBytes(std::span<const uint8_t> bytes, const std::string& name) {
  static const uint8_t kPNGSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  std::vector<uint8_t> pixels;
  int width = 0, height = 0;
  if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) {
    std::unique_ptr<uint8_t[]> bgra;
    if (!decodeJPEG(bytes, name, bgra, width, height)) return nullptr;
    return std::shared_ptr<Image>(new Image(width, height, std::move(bgra)));
  } else if (bytes.size() >= 8 && std::memcmp(bytes.data(), kPNGSignature, 8) == 0) {
    if (!decodePNG(bytes, name, pixels, width, height)) return nullptr;
  } else {
    QVLog("Image %s: unknown format (neither JPEG nor PNG)", name.c_str());
    return nullptr;
  }
  return std::shared_ptr<Image>(new Image(width, height, std::move(pixels)));
}

std::shared_ptr<Image> Image::fromFile(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    QVLog("Image %s: cannot open (%s)", path.c_str(), std::strerror(errno));
    return nullptr;
  }
  // One read of the whole file where its size is known; a stream of unknown length is read in chunks.
  std::vector<uint8_t> bytes;
  if (std::fseek(file, 0, SEEK_END) == 0) {
    long size = std::ftell(file);
    std::rewind(file);
    if (size > 0) bytes.resize(size_t(size));
  }
  size_t got = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), file);
  bytes.resize(got);
  uint8_t chunk[1 << 16];
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
  bool failed = std::ferror(file);
  std::fclose(file);
  if (failed) {
    QVLog("Image %s: read error", path.c_str());
    return nullptr;
  }
  return fromBytes(bytes, path);
}

std::shared_ptr<Image> Image::fromRGBA(int width, int height, std::vector<uint8_t> pixels) {
  if (width <= 0 || height <= 0 || !sizeAccepted(uint64_t(width), uint64_t(height), "pixels") ||
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

const std::vector<uint8_t>& Image::rgba() const {
  if (!bgra_) return pixels_;
  std::call_once(rgbaOnce_, [this] {
    rgba_.resize(byteCount());
    const uint8_t* bgra = bgra_.get();
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
  if (bgra_) {
    size_t row = size_t(width_) * 4;
    for (int y = 0; y < height_; ++y)
      std::memcpy(destination + size_t(y) * bytesPerRow, bgra_.get() + size_t(y) * row, row);
    return;
  }
  copyPremultiplied<true>(pixels_, width_, height_, destination, bytesPerRow);
}

void Image::copyPremultipliedRGBA(uint8_t* destination, size_t bytesPerRow) const {
  // Kept as BGRA means opaque: premultiplied and straight are the same.
  copyPremultiplied<false>(rgba(), width_, height_, destination, bytesPerRow);
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
