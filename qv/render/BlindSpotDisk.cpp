#include "qv/render/BlindSpotDisk.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "qv/os/GLES.h"
#include "qv/os/Image.h"
#include "qv/os/QVLog.h"
#include "qv/os/ScopedUnpackAlignment.h"
#include "qv/render/Mipmap.h"

namespace qv {

namespace {

constexpr GLfloat kDiskRadius = 6.7f;
constexpr GLfloat kPoleDistance = 9.0f;
constexpr GLfloat kPoleOffsetY = 0.45f;

// The longest side of the disk's texture, in pixels. The disk spans about 73 degrees of the sphere, so this
// is as sharp as the panorama around it at 10000 pixels across; a larger picture is scaled down on load
// instead of kept (and mipmapped) at full size.
constexpr int kMaxTextureSide = 2048;

struct TexturePixels {
  std::vector<uint8_t> bytes;  // premultiplied RGBA, tightly packed (empty: the image cannot be used)
  int width = 0, height = 0;
};

// The image as texture pixels, scaled down to fit kMaxTextureSide (and the GL maximum texture size); empty,
// with a log line, when it cannot be used.
TexturePixels texturePixels(const Image& image, const std::string& name) {
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  const int limit = maxSize > 0 ? std::min<int>(kMaxTextureSide, maxSize) : kMaxTextureSide;
  const int w = image.width(), h = image.height();
  const double fit = std::min(1.0, double(limit) / std::max(w, h));
  TexturePixels out;
  out.width = std::clamp(int(std::lround(w * fit)), 1, limit);
  out.height = std::clamp(int(std::lround(h * fit)), 1, limit);
  std::vector<uint8_t> source;
  try {
    if (fit < 1) source.resize(size_t(w) * size_t(h) * 4);
    out.bytes.resize(size_t(out.width) * size_t(out.height) * 4);
  } catch (const std::bad_alloc&) {
    QVLog("blind spot %s: cannot allocate the pixels of a %dx%d image", name.c_str(), w, h);
    return {};
  }
  if (fit == 1) {
    image.copyPremultipliedRGBA(out.bytes.data(), size_t(w) * 4);
    return out;
  }
  // Scaled premultiplied, so transparent pixels lend no colour to their neighbours.
  image.copyPremultipliedRGBA(source.data(), size_t(w) * 4);
  if (qvglScaleImage(GL_RGBA, w, h, GL_UNSIGNED_BYTE, source.data(), out.width, out.height, GL_UNSIGNED_BYTE,
                     out.bytes.data()) != 0) {
    QVLog("blind spot %s: cannot scale %dx%d to %dx%d", name.c_str(), w, h, out.width, out.height);
    return {};
  }
  return out;
}

void setTextureParameters() {
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

}  // namespace

void BlindSpotDisk::setImage(std::optional<std::string> name) {
  image_ = std::move(name);
  refresh_ = true;
}

bool BlindSpotDisk::loadImage() {
  const std::string& name = *image_;
  TexturePixels pixels;
  if (auto image = Image::named(name)) pixels = texturePixels(*image, name);
  if (!pixels.bytes.empty()) {
    glEnable(GL_TEXTURE_2D);
    ScopedUnpackAlignment alignment(1);
    texture_ = GLTexture::generate();
    glBindTexture(GL_TEXTURE_2D, texture_.get());
    setTextureParameters();
    GLint error = qvglBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, pixels.width, pixels.height, GL_RGBA,
                                     GL_UNSIGNED_BYTE, pixels.bytes.data());
    if (error != 0) {
      QVLog("blind spot %s: building the texture failed (GLU error %d)", name.c_str(), error);
      texture_.reset();
    }
  }
  if (!texture_) failedName_ = name;
  return bool(texture_);
}

void BlindSpotDisk::draw(float sceneYaw, bool picking, GLUquadric* disk) {
  if (refresh_) {
    texture_.reset();
    refresh_ = false;
    failedName_.reset();
  }
  if (!texture_) {
    if (location_ == 0 || !image_ || failedName_ == image_) return;
    if (!loadImage()) return;
  }
  if (picking || !disk) return;

  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  if (location_ == int32_t(BlindSpotLocation::Nadir)) {
    glTranslatef(0, kPoleOffsetY, kPoleDistance);
    glRotatef(sceneYaw, 0, 0, 1);
    glRotatef(180, 0, 0, 1);
  } else if (location_ == int32_t(BlindSpotLocation::Zenith)) {
    glTranslatef(0, kPoleOffsetY, -kPoleDistance);
    glRotatef(sceneYaw, 0, 0, 1);
    glRotatef(180, 0, 1, 0);
  } else {
    return;
  }
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texture_.get());
  qvglDisk(disk, 0.0f, kDiskRadius, 60, 2);
}

void BlindSpotDisk::loadTexture(GLuint* texture, const std::string& file) {
  if (!texture) return;
  TexturePixels pixels;
  if (auto image = Image::named(file)) pixels = texturePixels(*image, file);
  const int w = pixels.width, h = pixels.height;
  glEnable(GL_TEXTURE_2D);
  ScopedUnpackAlignment alignment(1);
  glGenTextures(1, texture);
  glBindTexture(GL_TEXTURE_2D, *texture);
  setTextureParameters();
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE,
               w ? pixels.bytes.data() : nullptr);
}

}  // namespace qv
