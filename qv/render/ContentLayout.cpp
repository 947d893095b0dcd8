#include "qv/render/ContentLayout.h"

#include <charconv>
#include <cmath>

namespace qv {

void StereoEye::textureMatrix(GLfloat out[16]) const {
  for (int i = 0; i < 16; ++i) out[i] = (i % 5 == 0) ? 1.0f : 0.0f;
  out[5] = tScale;
  out[13] = tOffset;
}

StereoEye stereoEye(double viewWidth, double viewHeight, bool isRight, int32_t stereomode) {
  StereoEye eye;
  eye.width = GLint(std::trunc(viewWidth * 0.5));
  if (eye.width == 0) eye.width = 1;
  eye.height = GLint(std::trunc(viewHeight));
  eye.viewportX = isRight ? eye.width : 0;
  if (stereomode == 1) {
    eye.transformsTexture = true;
    eye.tScale = 0.5f;
    eye.tOffset = isRight ? 0.5f : 0.0f;
  }
  return eye;
}

bool systemVersionAtLeast(std::string_view version, int major, int minor) {
  int parts[2] = {0, 0};
  const char* p = version.data();
  const char* end = p + version.size();
  for (int i = 0; i < 2 && p < end; ++i) {
    auto [next, error] = std::from_chars(p, end, parts[i]);
    if (error != std::errc()) break;
    p = next;
    if (p < end && *p == '.')
      ++p;
    else
      break;
  }
  return parts[0] != major ? parts[0] > major : parts[1] >= minor;
}

namespace {

bool usable(double value) {
  return std::isfinite(value) && value > 0;
}

// The screen's ratio for the letterbox. Before 8.0 the platform reports the portrait bounds whatever the
// interface does, from 8.0 on bounds that turn with it; either way a landscape interface gets the long
// side over the short one.
double screenRatio(double bw, double bh, bool atLeast8, int64_t orientation) {
  const bool landscape = orientation == 3 || orientation == 4;
  return landscape == atLeast8 ? bw / bh : bh / bw;
}

}  // namespace

FlatLetterbox flatLetterbox(const FlatLetterboxInput& in) {
  FlatLetterbox box;
  box.width = GLint(std::trunc(in.viewWidth));
  box.height = GLint(std::trunc(in.viewHeight));
  box.top = box.height == 0 ? 1.0f : GLfloat(box.height);
  box.firstRight = in.secondTexture ? box.width / 2 : box.width;

  const bool atLeast8 = systemVersionAtLeast(in.systemVersion, 8, 0);
  double r = 0;
  if (usable(in.screenWidth) && usable(in.screenHeight)) {
    r = screenRatio(in.screenWidth, in.screenHeight, atLeast8, in.interfaceOrientation);
  } else if (usable(in.viewWidth) && usable(in.viewHeight)) {
    r = screenRatio(in.viewWidth, in.viewHeight, atLeast8, in.interfaceOrientation);
  }
  const double aspect = usable(in.videoAspect) ? in.videoAspect : 2.0;
  // No size to compare with at all (a view of zero height): the picture fills the view.
  if (!usable(r)) r = aspect;

  const float stretch = float(aspect / r);
  const float q = box.top / stretch;
  box.y0 = (box.top - q) * 0.5f;
  box.y1 = std::trunc(q) + box.y0;
  return box;
}

}  // namespace qv
