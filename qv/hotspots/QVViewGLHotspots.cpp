// The view's hotspots: creation and removal, the tap that asks for a picking pass, and the per-frame pass
// that purges released hotspots and draws the others in the renderers' closing step.
#include <algorithm>

#include "qv/core/QVViewGL.h"
#include "qv/hotspots/QVHotspotImpl.h"
#include "qv/os/Image.h"
#include "qv/os/RenderableView.h"
#include "qv/os/TapRecognizer.h"

namespace {

void installTapper(QVViewGL& view) {
  if (view.tapper) return;
  // The recogniser belongs to the view; it refers back weakly so that the pair never keeps itself alive.
  std::weak_ptr<QVViewGL> weak = view.weak_from_this();
  view.tapper = std::make_shared<TapRecognizer>([weak](TapRecognizer& recognizer) {
    if (auto self = weak.lock()) self->onTap(recognizer);
  });
  view.tapper->setNumberOfTapsRequired(1);
  view.tapper->setNumberOfTouchesRequired(1);
}

}  // namespace

std::shared_ptr<QVHotspot> QVViewGL::createHotspot(std::shared_ptr<Image> image) {
  auto hotspot = QVHotspotImpl::create();
  hotspots.push_back(hotspot);
  hotspot->setImage(std::move(image));
  hotspot->process();
  installTapper(*this);
  return hotspot;
}

std::shared_ptr<QVHotspot> QVViewGL::createHotspotWithView(std::shared_ptr<RenderableView> view) {
  auto hotspot = QVHotspotImpl::create();
  hotspots.push_back(hotspot);
  hotspot->setView(std::move(view));
  installTapper(*this);
  return hotspot;
}

void QVViewGL::removeHotspot(QVHotspot* hotspot) {
  for (auto& h : hotspots)
    if (h.get() == hotspot) h->remove();
}

void QVViewGL::onTap(TapRecognizer& recognizer) {
  hitpoint[0] = recognizer.locationX();
  hitpoint[1] = recognizer.locationY();
  hittest = true;
}

void QVViewGL::renderHotspots(float, float sceneYaw) {
  // Released hotspots leave the list here, between frames, never while it is walked. One that still had
  // the focus says so, so every focus-in is paired with a focus-out.
  std::erase_if(hotspots, [](const std::shared_ptr<QVHotspotImpl>& h) {
    if (h->image() || h->view()) return false;
    if (h->hover()) {
      h->setHover(false);
      h->triggerFocusOut();
    }
    return true;
  });
  const int32_t mode = hittest ? 1 : 0;
  for (auto& hotspot : hotspots) {
    hotspot->setPosition(sceneYaw, 0, 0);
    if (hotspot->render(mode)) hotspotsDrawn = true;
  }
}
