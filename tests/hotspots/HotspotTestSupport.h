// Helpers for the hotspot tests: a plain image and a target that records the focus messages it gets.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "qv/hotspots/QVHotspotTarget.h"
#include "qv/os/Image.h"

using namespace qv;

inline std::shared_ptr<Image> solid(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
  std::vector<uint8_t> px;
  for (int i = 0; i < w * h; ++i) px.insert(px.end(), {r, g, b, 255});
  return Image::fromRGBA(w, h, std::move(px));
}

struct Recorder : QVHotspotTarget {
  void onHotspotFocusIn(QVHotspot* h) override { events.push_back("in " + std::to_string(h->getTag())); }
  void onHotspotFocusOut(QVHotspot* h) override { events.push_back("out " + std::to_string(h->getTag())); }
  std::vector<std::string> events;
};
