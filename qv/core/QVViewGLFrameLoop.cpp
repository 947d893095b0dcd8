// The frame: drawView (timer action) -> drawFunction (one pass into the drawable) -> drawScene (device
// matrix and renderer choice). Main thread, under textureUsageLock.
#include <chrono>
#include <cmath>

#include "qv/core/QVViewGL.h"
#include "qv/core/RendererChoice.h"
#include "qv/navigation/HighpassFilter.h"
#include "qv/navigation/LowpassFilter.h"
#include "qv/os/GLES.h"
#include "qv/os/Image.h"
#include "qv/os/Layer.h"
#include "qv/os/MotionManager.h"
#include "qv/platform/GLUploadPriority.h"
#include "qv/platform/QVContext.h"

namespace {
// How long a frame waits at most for announced uploads: about one video frame period.
constexpr std::chrono::milliseconds kUploadPriorityLimit{30};
}  // namespace

void QVViewGL::drawView() {
  if (dealloccing) return;
  GLUploadPriority::yieldToUploads(kUploadPriorityLimit);
  bool imagePending;
  {
    std::lock_guard<std::mutex> guard(textureUsageLock);
    if (bHitOnFocus) {
      // Focus picking samples the centre of the view (of the left eye in stereo).
      hittest = true;
      double w = frame_.width;
      if (isStereo) w *= 0.5;
      hitpoint[0] = w * 0.5;
      hitpoint[1] = frame_.height * 0.5;
      drawFunction();
    }
    {
      std::lock_guard<std::mutex> injectGuard(injectLock_);
      imagePending = imageInject != nullptr;
    }
    if (!imagePending) drawFunction();
  }
  if (imagePending) {
    std::shared_ptr<Image> image;
    {
      std::lock_guard<std::mutex> injectGuard(injectLock_);
      image.swap(imageInject);
    }
    injectImageExec(image);
  }
}

void QVViewGL::drawFunction() {
  SharedContextScope scope;
  if (scope.ok()) {
    hotspotsDrawn = false;
    oes::glBindFramebufferOES(GL_FRAMEBUFFER_OES, viewFramebuffer);
    while (glGetError() != GL_NO_ERROR) {
    }
    drawScene();
    while (glGetError() != GL_NO_ERROR) {
    }
    oes::glBindRenderbufferOES(GL_RENDERBUFFER_OES, viewRenderbuffer);
    while (glGetError() != GL_NO_ERROR) {
    }
    if (hittest) {
      // A picking pass is never presented. The pixel is zeroed first so that a point outside the
      // framebuffer (or an incomplete one) reads as nothing rather than as stale memory.
      uint8_t pixel[4] = {0, 0, 0, 0};
      GLint x = GLint(std::trunc(hitpoint[0]));
      GLint y = GLint(std::trunc(frame_.height - hitpoint[1]));
      bool inside = x >= 0 && y >= 0 && x < backingWidth && y < backingHeight;
      if (inside) {
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
      }
      if (inside && hotspotsDrawn) dispatchPick(pixel[0], pixel[1], pixel[2]);
    } else {
      layer_->presentRenderbuffer(GL_RENDERBUFFER_OES);
    }
  }
  hittest = false;
}

RotationMatrix QVViewGL::deviceRotationMatrix() {
  if (accelMode) {
    AccelerometerData sample = motionManager->accelerometerData().value_or(AccelerometerData{});
    Acceleration a{sample.x, sample.y, sample.z};
    gravityLpf->addAcceleration(a, sample.timestamp);
    userAccelerationHpf->addAcceleration(a, sample.timestamp);
    userAccelerationHpfLpf->addAcceleration(
        Acceleration{userAccelerationHpf->x(), userAccelerationHpf->y(), userAccelerationHpf->z()},
        sample.timestamp);
    return rotationMatrixFromGravity(float(gravityLpf->x()), float(gravityLpf->y()), float(gravityLpf->z()));
  }

  DeviceMotion sample = motionManager->deviceMotion().value_or(DeviceMotion{});
  rotx = sample.attitude.pitch;
  roty = -sample.attitude.yaw;
  rotz = -sample.attitude.roll;

  if (maxUpAngle > maxDownAngle) {
    int64_t o = Environment::current().deviceOrientation();
    if (o == 0 || o == 5 || o == 6) o = lastOrientation;
    auto degrees = [](double radians) { return radians * 180.0 / M_PI; };
    auto magnitude = [&](double radians) { return std::abs(std::trunc(degrees(radians))); };
    auto limit = [](float limitDegrees, double sign) {
      double radians = double(limitDegrees) * M_PI / 180.0;
      return sign > 0 ? radians : -radians;
    };
    if (o == 3 || o == 4) {
      lastOrientation = o;
      if (magnitude(rotz) > maxUpAngle) rotz = limit(maxUpAngle, rotz);
      if (magnitude(rotz) < maxDownAngle) rotz = limit(maxDownAngle, rotz);
    } else if (o == 1 || o == 2) {
      lastOrientation = o;
      if (degrees(rotz) > 90 && magnitude(rotx) > maxUpAngle) rotx = limit(maxUpAngle, rotx);
      if (degrees(rotz) < 90 && magnitude(rotx) < maxDownAngle) rotx = limit(maxDownAngle, rotx);
    }
  }
  RotationMatrix matrix = pyrToMatrix2(rotx, roty, rotz);
  userAccelerationLpf->addAcceleration(
      Acceleration{sample.userAccelerationX, sample.userAccelerationY, sample.userAccelerationZ},
      sample.timestamp);
  return matrix;
}

void QVViewGL::drawScene() {
  RotationMatrix matrix = deviceRotationMatrix();
  RendererChoice choice = chooseRenderer(_videoMode, isStereo, legacy);
  if (choice.setsStereomode) stereomode = choice.stereomode;
  switch (choice.kind) {
    case RendererKind::Sphere:
      renderScene(matrix);
      break;
    case RendererKind::Flat:
      renderSceneFlat(matrix);
      break;
    case RendererKind::Cylinder:
      renderSceneCylinder(matrix);
      break;
    case RendererKind::StereoPair:
      clearFrame();
      renderScenePart(matrix, false);
      renderScenePart(matrix, true);
      break;
    case RendererKind::Legacy:
      renderSceneLegacy(matrix);
      break;
    case RendererKind::None:
    default: {
      // Nothing to draw for this layout; present black rather than whatever the buffer held.
      clearFrame();
      break;
    }
  }
}
