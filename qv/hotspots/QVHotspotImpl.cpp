#include "qv/hotspots/QVHotspotImpl.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "qv/hotspots/HotspotDrawing.h"
#include "qv/hotspots/QVHotspotTarget.h"
#include "qv/os/GLES.h"
#include "qv/os/Image.h"
#include "qv/os/RenderableView.h"
#include "qv/os/RunLoop.h"
#include "qv/os/ScopedUnpackAlignment.h"
#include "qv/render/Mipmap.h"

namespace qv {

namespace {

// Picking colours of the live hotspots, packed 0xRRGGBB. A pick matches colours exactly, so two hotspots
// must never share one, and none may be the black that the picking pass clears to.
std::mutex colourLock;
std::unordered_set<uint32_t>& coloursInUse() {
  static std::unordered_set<uint32_t> colours;
  return colours;
}

uint32_t pack(int32_t r, int32_t g, int32_t b) {
  return uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
}

// The visible quad: two triangles, texture turned to match the quarter turn applied before drawing.
const GLfloat kQuadVertices[12] = {-1, -1, 0, -1, 1, 0, 1, 1, 0, 1, -1, 0};
const GLfloat kQuadTexCoords[8] = {1, 0, 0, 0, 0, 1, 1, 1};
const GLubyte kQuadIndices[6] = {0, 1, 2, 0, 2, 3};

// The longest side of a hotspot's canvas, in pixels: a hotspot never covers more than this on screen, so a
// larger picture is scaled down on load rather than kept (and uploaded) at full size.
constexpr int kMaxCanvasSide = 2048;

}  // namespace

std::shared_ptr<QVHotspotImpl> QVHotspotImpl::create() {
  return std::shared_ptr<QVHotspotImpl>(new QVHotspotImpl());
}

QVHotspotImpl::QVHotspotImpl() {
  std::lock_guard<std::mutex> guard(colourLock);
  auto& taken = coloursInUse();
  do {
    red = std::rand() % 255;
    green = std::rand() % 255;
    blue = std::rand() % 255;
  } while (pack(red, green, blue) == 0 || taken.count(pack(red, green, blue)));
  taken.insert(pack(red, green, blue));
}

QVHotspotImpl::~QVHotspotImpl() {
  if (pulseTimer_) pulseTimer_->invalidate();
  // The texture needs the view's context and is deleted by cleanup; the disc is plain memory.
  qvglDeleteQuadric(disc);
  std::lock_guard<std::mutex> guard(colourLock);
  coloursInUse().erase(pack(red, green, blue));
}

void QVHotspotImpl::setCoordinates(float first, float second, float) {
  rx = first;
  ry = 0;
  rz = second;
}

void QVHotspotImpl::addTarget(std::weak_ptr<QVHotspotTarget> target, Action action) {
  _target = std::move(target);
  _action = std::move(action);
}

void QVHotspotImpl::cleanup() {
  if (texture) {
    glDeleteTextures(1, &texture);
    texture = 0;
  }
  setImage(nullptr);
  setView(nullptr);
  prepared_.reset();
  qvglDeleteQuadric(disc);
  disc = nullptr;
}

// ---- Messages

void QVHotspotImpl::post(void (*deliver)(QVHotspotImpl&, QVHotspotTarget&)) {
  std::shared_ptr<QVHotspotImpl> self = shared_from_this();
  RunLoop::main().dispatchAsync([self, deliver] {
    if (auto target = self->_target.lock()) deliver(*self, *target);
  });
}

void QVHotspotImpl::triggerFocusIn() {
  if (_hover) return;
  _hover = true;
  post([](QVHotspotImpl& self, QVHotspotTarget& target) { target.onHotspotFocusIn(&self); });
}

void QVHotspotImpl::triggerFocusOut() {
  post([](QVHotspotImpl& self, QVHotspotTarget& target) { target.onHotspotFocusOut(&self); });
}

void QVHotspotImpl::trigger() {
  post([](QVHotspotImpl& self, QVHotspotTarget&) {
    if (self._action) self._action(&self);
  });
}

// ---- Pulse

void QVHotspotImpl::animate() {
  // The timer is the running mark: a second call before the first step must not start another pulse.
  if (pulseTimer_ || animationframe != -15) return;
  animationradius = radius;
  animationframe = -15;
  std::weak_ptr<QVHotspotImpl> weak = weak_from_this();
  std::shared_ptr<Timer>* slot = &pulseTimer_;
  pulseTimer_ = RunLoop::main().scheduleTimer(0.01, true, [weak, slot] {
    if (auto self = weak.lock()) {
      if (*slot) self->onAnimate(**slot);
    }
  });
}

void QVHotspotImpl::onAnimate(Timer& timer) {
  int32_t f = animationframe;
  radius = float(double(radius) / 60.0 * double(15 - std::abs(f)) + double(animationradius));
  animationframe = f + 1;
  if (f >= 14) {
    timer.invalidate();
    if (pulseTimer_.get() == &timer) pulseTimer_.reset();
    radius = animationradius;
    animationframe = -15;
  }
}

// ---- Image preparation

std::shared_ptr<Image> QVHotspotImpl::imageWithView(const std::shared_ptr<RenderableView>& view) {
  // One pixel per point: the canvas is sized in pixels and must stay a power of two.
  setImage(view ? imageByRenderingView(*view, 1.0) : nullptr);
  process();
  return _image;
}

std::shared_ptr<Image> QVHotspotImpl::imageWithImage(const Image& image, int W, int H, int w, int h) {
  if (W <= 0 || H <= 0 || w <= 0 || h <= 0 || w != image.width() || h != image.height()) return nullptr;
  // Fit the whole picture, centred, at one scale for both axes; the bands stay transparent.
  double scale = std::min(double(W) / w, double(H) / h);
  int dw = std::clamp(int(std::lround(w * scale)), 1, W);
  int dh = std::clamp(int(std::lround(h * scale)), 1, H);
  int x0 = (W - dw) / 2, y0 = (H - dh) / 2;

  // Filtered premultiplied, so transparent pixels lend no colour to their neighbours. An image kept in
  // that form already (as BGRA) is scaled where it is, without a full-size copy.
  const uint8_t* premultiplied = image.premultipliedBGRA();
  const bool bgra = premultiplied != nullptr;
  std::vector<uint8_t> source, scaled(size_t(dw) * dh * 4);
  if (!bgra) {
    source.resize(size_t(w) * h * 4);
    image.copyPremultipliedRGBA(source.data(), size_t(w) * 4);
    premultiplied = source.data();
  }
  if (qvglScaleImage(GL_RGBA, w, h, GL_UNSIGNED_BYTE, premultiplied, dw, dh, GL_UNSIGNED_BYTE,
                     scaled.data()) != 0) {
    return nullptr;
  }
  std::vector<uint8_t> canvas(size_t(W) * H * 4, 0);
  for (int y = 0; y < dh; ++y) {
    const uint8_t* in = &scaled[size_t(y) * dw * 4];
    uint8_t* out = &canvas[(size_t(y0 + y) * W + x0) * 4];
    for (int x = 0; x < dw; ++x, in += 4, out += 4) {
      uint8_t a = in[3];
      for (int k = 0; k < 3; ++k) {
        const int c = in[bgra ? 2 - k : k];
        out[k] = a ? uint8_t(std::min(255, (c * 255 + a / 2) / a)) : 0;
      }
      out[3] = a;
    }
  }
  return Image::fromRGBA(W, H, std::move(canvas));
}

void QVHotspotImpl::process() {
  if (!_image || _image == prepared_) return;
  int w = _image->width(), h = _image->height();
  const double fit = std::min(1.0, double(kMaxCanvasSide) / std::max(w, h));
  int W = int(NextPOT(uint32_t(std::max(1L, std::lround(w * fit)))));
  int H = int(NextPOT(uint32_t(std::max(1L, std::lround(h * fit)))));
  if (W == w && H == h) {
    prepared_ = _image;  // already a power of two: nothing to redraw
    return;
  }
  setImage(imageWithImage(*_image, W, H, w, h));
  prepared_ = _image;
}

// ---- Drawing

void QVHotspotImpl::upload() {
  width = _image->width();
  height = _image->height();
  ScopedUnpackAlignment alignment(1);
  if (!texture) {
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  } else {
    glBindTexture(GL_TEXTURE_2D, texture);
  }
  // Straight alpha, as the blending (source alpha, one minus source alpha) expects.
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, _image->rgba().data());
  aspectWidth = float(width) / float(height);
  // Every upload rebuilds the chain; otherwise the smaller levels keep showing an older picture.
  oes::glGenerateMipmapOES(GL_TEXTURE_2D);
}

bool QVHotspotImpl::render(int32_t mode) {
  if (removeFlag) {
    cleanup();
    return false;
  }
  if (!_image && !_view) return false;

  if (!disc) {
    disc = qvglNewQuadric();
    if (!disc) return false;
    qvglQuadricNormals(disc, GLU_SMOOTH);
    qvglQuadricTexture(disc, GL_TRUE);
    if (radiushit == 0) radiushit = radius * 1.2f;
  }
  bool fresh = false;
  if (!texture) {
    if (_view && !_image) imageWithView(_view);
    if (!_image) return false;  // an empty view has nothing to show yet
    upload();
    fresh = true;
  }

  if (mode == 1) {
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glColor4f(float(red) / 255.0f, float(green) / 255.0f, float(blue) / 255.0f, 1.0f);
  } else {
    if (_view && !fresh) {
      // A live view: re-rendered every visible frame. A view that became empty keeps its last picture.
      auto previous = _image;
      if (imageWithView(_view)) {
        upload();
      } else {
        setImage(previous);
      }
    }
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  }

  // The camera's pitch and roll live in the projection matrix, so the model-view holds only the yaw and
  // the placement: 19.6 units out, just inside the panorama sphere, facing the centre.
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glRotatef(px + rx, 0, 0, 1);
  glRotatef(pz - rz, 1, 0, 0);
  glRotatef(py + ry, 0, 1, 0);
  glTranslatef(0, 19.6f, -1.5f);
  glRotatef(180, 0, 0, 1);
  glScalef(1, 1, 1);
  glRotatef(90, 1, 0, 0);

  if (mode == 1) {
    qvglDisk(disc, 0.0f, radiushit, 60, 2);
  } else {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 1, 1, _alpha);
    glRotatef(90, 0, 0, 1);
    float s = radius * 1.2f;
    glScalef(aspectHeight * s, aspectWidth * s, 1);
    drawQuad();
    glDisable(GL_BLEND);
  }
  glColor4f(1, 1, 1, 1);
  return true;
}

void QVHotspotImpl::drawQuad() {
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glVertexPointer(3, GL_FLOAT, 0, kQuadVertices);
  glTexCoordPointer(2, GL_FLOAT, 0, kQuadTexCoords);
  glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_BYTE, kQuadIndices);
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

}  // namespace qv
