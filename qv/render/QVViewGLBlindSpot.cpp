// The blind-spot image: a textured disk just inside the panorama sphere over one pole, covering the
// tripod at the nadir (or the zenith). Its texture and mipmap chain are built once per image name.
#include <cinttypes>
#include <cstdlib>
#include <vector>

#include "qv/core/QVViewGL.h"
#include "qv/glu/Quadric.h"
#include "qv/os/GLES.h"
#include "qv/os/Image.h"
#include "qv/os/QVLog.h"
#include "qv/platform/QVContext.h"
#include "qv/render/Mipmap.h"

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

void setBlindSpotTextureParameters() {
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

}  // namespace

void QVViewGL::renderBlindSpot(float sceneYaw) {
  if (blindspotrefresh) {
    if (texBlackspot) glDeleteTextures(1, &texBlackspot);
    texBlackspot = 0;
    blindspotrefresh = false;
    blindspotFailedName.reset();
  }
  if (texBlackspot == 0) {
    if (blindspotlocation == 0 || !blindspotImage || blindspotFailedName == blindspotImage) return;
    const std::string& name = *blindspotImage;
    auto image = Image::named(name);
    std::vector<uint8_t> bytes;
    if (image) bytes = textureBytes(*image, name);
    if (!bytes.empty()) {
      glEnable(GL_TEXTURE_2D);
      glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
      glGenTextures(1, &texBlackspot);
      glBindTexture(GL_TEXTURE_2D, texBlackspot);
      setBlindSpotTextureParameters();
      GLint error = qvglBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, image->width(), image->height(), GL_RGBA,
                                       GL_UNSIGNED_BYTE, bytes.data());
      if (error != 0) {
        QVLog("blind spot %s: building the texture failed (GLU error %d)", name.c_str(), error);
        glDeleteTextures(1, &texBlackspot);
        texBlackspot = 0;
      }
    }
    if (texBlackspot == 0) {
      blindspotFailedName = name;
      return;
    }
  }
  if (hittest || !qDisk) return;

  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  if (blindspotlocation == 1) {
    glTranslatef(0, kPoleOffsetY, kPoleDistance);
    glRotatef(sceneYaw, 0, 0, 1);
    glRotatef(180, 0, 0, 1);
  } else if (blindspotlocation == 2) {
    glTranslatef(0, kPoleOffsetY, -kPoleDistance);
    glRotatef(sceneYaw, 0, 0, 1);
    glRotatef(180, 0, 1, 0);
  } else {
    return;
  }
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texBlackspot);
  qvglDisk(qDisk, 0.0f, kDiskRadius, 60, 2);
}

void QVViewGL::loadTexture(GLuint* texture, const std::string& file) {
  if (!texture) return;
  std::lock_guard<std::mutex> guard(textureUsageLock);
  SharedContextScope scope;
  if (!scope.ok()) return;
  auto image = Image::named(file);
  std::vector<uint8_t> bytes;
  int w = 0, h = 0;
  if (image) {
    bytes = textureBytes(*image, file);
    if (!bytes.empty()) w = image->width(), h = image->height();
  }
  glEnable(GL_TEXTURE_2D);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glGenTextures(1, texture);
  glBindTexture(GL_TEXTURE_2D, *texture);
  setBlindSpotTextureParameters();
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, w ? bytes.data() : nullptr);
}
