#include "qv/render/BlindSpotDisk.h"

#include <cinttypes>
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

// Premultiplied RGBA bytes of the image, or empty (with a log line) when it cannot be used as a texture.
std::vector<uint8_t> textureBytes(const Image& image, const std::string& name) {
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  if (maxSize > 0 && (image.width() > maxSize || image.height() > maxSize)) {
    QVLog("blind spot %s: %dx%d is larger than the GL maximum texture size %d", name.c_str(), image.width(),
          image.height(), maxSize);
    return {};
  }
  uint64_t size = uint64_t(image.width()) * uint64_t(image.height()) * 4;
  std::vector<uint8_t> bytes;
  try {
    bytes.resize(size_t(size));
  } catch (const std::bad_alloc&) {
    QVLog("blind spot %s: cannot allocate %" PRIu64 " bytes", name.c_str(), size);
    return {};
  }
  image.copyPremultipliedRGBA(bytes.data(), size_t(image.width()) * 4);
  return bytes;
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
  auto image = Image::named(name);
  std::vector<uint8_t> bytes;
  if (image) bytes = textureBytes(*image, name);
  if (!bytes.empty()) {
    glEnable(GL_TEXTURE_2D);
    ScopedUnpackAlignment alignment(1);
    texture_ = GLTexture::generate();
    glBindTexture(GL_TEXTURE_2D, texture_.get());
    setTextureParameters();
    GLint error = qvglBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, image->width(), image->height(), GL_RGBA,
                                     GL_UNSIGNED_BYTE, bytes.data());
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
  auto image = Image::named(file);
  std::vector<uint8_t> bytes;
  int w = 0, h = 0;
  if (image) {
    bytes = textureBytes(*image, file);
    if (!bytes.empty()) w = image->width(), h = image->height();
  }
  glEnable(GL_TEXTURE_2D);
  ScopedUnpackAlignment alignment(1);
  glGenTextures(1, texture);
  glBindTexture(GL_TEXTURE_2D, *texture);
  setTextureParameters();
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, w ? bytes.data() : nullptr);
}

}  // namespace qv
