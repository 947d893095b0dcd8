// The per-frame geometry of the stereo and flat layouts as plain numbers, so the eye viewports, the
// over-under texture transform and the letterbox can be checked without GL. The renderers in qv/render/
// hand these values to GL unchanged.
#pragma once

#include <GLES/gl.h>

#include <cstdint>
#include <string_view>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

// One eye of a side-by-side stereo frame.
struct StereoEye {
  GLint viewportX = 0;  // pixels; the right eye starts where the left one ends
  GLint width = 1;      // half the view width, truncated; at least 1
  GLint height = 0;     // the view height, truncated
  // Texture t' = tOffset + tScale * t on the single-texture video path (over-under content only).
  bool transformsTexture = false;
  GLfloat tScale = 1, tOffset = 0;

  // The texture matrix (column-major) for the transform above.
  void textureMatrix(GLfloat out[16]) const;
};

// stereomode 1: the frame is over-under, the upper half for the left eye and the lower half for the right.
StereoEye stereoEye(double viewWidth, double viewHeight, bool isRight, int32_t stereomode);

// Where the flat layout puts its quads, in window pixels with the origin at the lower left.
struct FlatLetterbox {
  GLint width = 0, height = 0;  // viewport W x H (the view size, truncated)
  GLfloat top = 1;              // T: the projection's top edge, H or 1 when H is 0
  GLfloat y0 = 0, y1 = 0;       // bottom and top edge of the picture
  GLint firstRight = 0;         // right edge of the first texture's quad: W, or W / 2 beside a second texture
};

// Inputs of the letterbox: the view size, the main screen's bounds (points; zero when there is no screen),
// the system version string, the interface orientation and the content's aspect ratio.
struct FlatLetterboxInput {
  double viewWidth = 0, viewHeight = 0;
  double screenWidth = 0, screenHeight = 0;
  std::string_view systemVersion;
  int64_t interfaceOrientation = 0;
  float videoAspect = 2.0f;
  bool secondTexture = false;
};

// Screen bounds that are zero or not finite are replaced by the view's size, and an aspect that is not a
// finite positive number by 2, so no NaN or infinite vertex ever reaches GL.
FlatLetterbox flatLetterbox(const FlatLetterboxInput& in);

// True when a dotted version string ("8.1.2") is at least major.minor, compared number by number.
bool systemVersionAtLeast(std::string_view version, int major, int minor);

}  // namespace qv
QV_EXPORT_END
