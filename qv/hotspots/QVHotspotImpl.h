// The hotspot object: where it sits on the sphere, its size, picking colour and prepared image, its pulse
// animation and the messages it posts to its target. Made by the panorama view (createHotspot,
// createHotspotWithView) and shared with the host. Everything runs on the main thread, which draws the
// view: render, process and cleanup need the view's GL context current and its lock held. Target messages
// are always posted to the main queue, never delivered inside a frame.
#pragma once

#include <GLES/gl.h>

#include <cstdint>
#include <memory>

#include "qv/glu/Quadric.h"
#include "qv/hotspots/QVHotspot.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class Image;
class RenderableView;
class Timer;

class QVHotspotImpl : public QVHotspot, public std::enable_shared_from_this<QVHotspotImpl> {
 public:
  static std::shared_ptr<QVHotspotImpl> create();
  ~QVHotspotImpl() override;
  QVHotspotImpl(const QVHotspotImpl&) = delete;
  QVHotspotImpl& operator=(const QVHotspotImpl&) = delete;

  // --- QVHotspot
  void setSize(float value) override { radius = value; }
  void setHitRadius(float value) override { radiushit = value; }
  void setCoordinates(float first, float second, float third) override;
  void setTag(int32_t tag) override { _tag = tag; }
  int32_t getTag() const override { return _tag; }
  void addTarget(std::weak_ptr<QVHotspotTarget> target, Action action) override;
  void setAlpha(float alpha) override { _alpha = alpha; }
  float getAlpha() const override { return _alpha; }
  void animate() override;
  int32_t getState() const override { return 1; }

  // --- Lifecycle
  void remove() { removeFlag = true; }  // released by the next draw
  bool isRemoved() const { return removeFlag; }
  // Deletes the texture and the disc and forgets image and view. GL context current.
  void cleanup();

  // --- Image preparation
  // The view rendered at one pixel per point, stored as the image and prepared; returns the image.
  std::shared_ptr<Image> imageWithView(const std::shared_ptr<RenderableView>& view);
  // `image` (of source size w x h) fitted into a transparent W x H canvas, centred, keeping its aspect.
  // nullptr when either size is empty.
  static std::shared_ptr<Image> imageWithImage(const Image& image, int W, int H, int w, int h);
  // Replaces the image by its power-of-two canvas, once per image.
  void process();

  // --- Drawing (main thread, GL context current). mode 0 draws the image, 1 the flat picking disc.
  // False when nothing was drawn (removed, or nothing to show yet).
  bool render(int32_t mode);

  // --- Picking and focus
  bool hitWithRed(int32_t r, int32_t g, int32_t b) const { return r == red && g == green && b == blue; }
  void setColor(int32_t) {}
  void setPosition(float x, float y, float z) {
    px = x;
    py = y;
    pz = z;
  }
  void triggerFocusIn();
  void triggerFocusOut();
  void trigger();
  void onAnimate(Timer& timer);  // one pulse step

  const std::shared_ptr<Image>& image() const { return _image; }
  void setImage(std::shared_ptr<Image> image) { _image = std::move(image); }
  const std::shared_ptr<RenderableView>& view() const { return _view; }
  void setView(std::shared_ptr<RenderableView> view) { _view = std::move(view); }
  bool hover() const { return _hover; }
  void setHover(bool hover) { _hover = hover; }

  // ------------------------------------------------------------------------------------------------
  // State, main thread only.
  float px = 0, py = 0, pz = 0;           // scene yaw from the view each frame, degrees
  float rx = 1.0f, ry = 1.0f, rz = 1.0f;  // placement: rx horizontal, rz vertical, degrees
  float radius = 1.0f;                    // drawn half-height / 1.2
  float radiushit = 0;                    // picking disc radius; 0: radius x 1.2 at first draw
  GLuint texture = 0;
  GLUquadric* disc = nullptr;
  int32_t width = 0, height = 0;         // pixels of the image last uploaded
  bool removeFlag = false;               // `remove` was called
  int32_t red = 0, green = 0, blue = 0;  // picking colour, unique among live hotspots, never black
  int32_t _tag = 0;
  float _alpha = 1.0f;
  float animationradius = 0;     // radius saved while a pulse runs
  int32_t animationframe = -15;  // -15: no pulse
  float aspectHeight = 1.0f;
  float aspectWidth = 1.0f;  // width / height of the uploaded image

 private:
  QVHotspotImpl();
  // Posts `deliver` to the main queue; it runs with the target of that moment, if it is still alive.
  void post(void (*deliver)(QVHotspotImpl&, QVHotspotTarget&));
  // Uploads the image into `texture` (created when 0) and rebuilds its mipmap chain.
  void upload();
  void drawQuad();

  std::weak_ptr<QVHotspotTarget> _target;
  Action _action;
  bool _hover = false;
  std::shared_ptr<Image> _image;
  std::shared_ptr<RenderableView> _view;
  std::shared_ptr<Image> prepared_;  // the last image that `process` produced
  std::shared_ptr<Timer> pulseTimer_;
};

}  // namespace qv
QV_EXPORT_END
