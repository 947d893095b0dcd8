// The drawable behind a view: it gives the view's colour renderbuffer its storage and presents it.
// The view calls it on the thread that has the shared GL context current, with the renderbuffer bound.
// OffscreenLayer keeps presented frames readable; the viewer program adds a layer for its window.
#pragma once

#include <GLES/gl.h>

#include "qv/os/Environment.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class Layer {
 public:
  virtual ~Layer() = default;

  // Bounds in points and the scale from points to pixels.
  QVRect bounds() const { return bounds_; }
  void setBounds(QVRect bounds) { bounds_ = bounds; }
  double contentsScale() const { return scale_; }
  void setContentsScale(double scale) { scale_ = scale; }
  bool isOpaque() const { return opaque_; }
  void setOpaque(bool opaque) { opaque_ = opaque; }
  // Drawable properties: retained backing and the colour format (8 bits per channel RGBA is the only one).
  void setDrawableProperties(bool retainedBacking) { retainedBacking_ = retainedBacking; }
  bool retainedBacking() const { return retainedBacking_; }

  // Allocates storage for the renderbuffer bound to `target`, of the layer's pixel size. False when the
  // size cannot be allocated (then the renderbuffer keeps no storage and the framebuffer is incomplete).
  virtual bool renderbufferStorage(GLenum target) = 0;
  // Shows the renderbuffer bound to `target` (its framebuffer is bound too).
  virtual bool presentRenderbuffer(GLenum target) = 0;

 protected:
  QVRect bounds_;
  double scale_ = 1.0;
  bool opaque_ = false;
  bool retainedBacking_ = false;
};

}  // namespace qv
QV_EXPORT_END
