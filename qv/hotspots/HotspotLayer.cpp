#include "qv/hotspots/HotspotLayer.h"

#include <algorithm>

#include "qv/hotspots/QVHotspotImpl.h"
#include "qv/os/Image.h"
#include "qv/os/RenderableView.h"
#include "qv/os/TapRecognizer.h"

namespace qv {

void HotspotLayer::installTapper() {
  if (tapper_) return;
  // The recogniser belongs to the layer, and the layer to its view: the action never outlives either.
  tapper_ = std::make_shared<TapRecognizer>([this](TapRecognizer& recognizer) { onTap(recognizer); });
  tapper_->setNumberOfTapsRequired(1);
  tapper_->setNumberOfTouchesRequired(1);
}

std::shared_ptr<QVHotspot> HotspotLayer::createHotspot(std::shared_ptr<Image> image) {
  auto hotspot = QVHotspotImpl::create();
  hotspots_.push_back(hotspot);
  hotspot->setImage(std::move(image));
  hotspot->process();
  installTapper();
  return hotspot;
}

std::shared_ptr<QVHotspot> HotspotLayer::createHotspotWithView(std::shared_ptr<RenderableView> view) {
  auto hotspot = QVHotspotImpl::create();
  hotspots_.push_back(hotspot);
  hotspot->setView(std::move(view));
  installTapper();
  return hotspot;
}

void HotspotLayer::removeHotspot(QVHotspot* hotspot) {
  for (auto& h : hotspots_)
    if (h.get() == hotspot) h->remove();
}

void HotspotLayer::onTap(TapRecognizer& recognizer) {
  if (onTap_) onTap_(recognizer.locationX(), recognizer.locationY());
}

bool HotspotLayer::draw(bool picking, float sceneYaw) {
  // Released hotspots leave the list here, between frames, never while it is walked. One that still had
  // the focus says so, so every focus-in is paired with a focus-out.
  std::erase_if(hotspots_, [](const std::shared_ptr<QVHotspotImpl>& h) {
    if (h->image() || h->view()) return false;
    if (h->hover()) {
      h->setHover(false);
      h->triggerFocusOut();
    }
    return true;
  });
  const int32_t mode = picking ? 1 : 0;
  bool drawn = false;
  for (auto& hotspot : hotspots_) {
    hotspot->setPosition(sceneYaw, 0, 0);
    if (hotspot->render(mode)) drawn = true;
  }
  return drawn;
}

void HotspotLayer::dispatchPick(std::span<const PickColour> colours, bool focusMode) {
  for (auto& hotspot : hotspots_) {
    bool hit = false;
    for (const PickColour& c : colours) hit = hit || hotspot->hitWithRed(c.red, c.green, c.blue);
    if (hit) {
      if (focusMode) {
        hotspot->triggerFocusIn();
        hotspot->setHover(true);
      } else {
        hotspot->trigger();
      }
    } else if (hotspot->hover()) {
      hotspot->setHover(false);
      hotspot->triggerFocusOut();
    }
  }
}

void HotspotLayer::endFocus() {
  for (auto& hotspot : hotspots_) {
    if (!hotspot->hover()) continue;
    hotspot->setHover(false);
    hotspot->triggerFocusOut();
  }
}

void HotspotLayer::releaseAll() {
  for (auto& hotspot : hotspots_) hotspot->cleanup();
  hotspots_.clear();
}

}  // namespace qv
