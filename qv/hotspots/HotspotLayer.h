// The hotspots of one view in drawing and picking order (insertion order), the tap recogniser that the first
// hotspot installs, and the per-frame work: purge the released ones, draw the rest (picking discs in a
// picking pass), and hand the colour a picking pass read back to them. Owned by the view; main thread only,
// drawing under the GL lock with the context current.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class Image;
class QVHotspot;
class QVHotspotImpl;
class RenderableView;
class TapRecognizer;

class HotspotLayer {
 public:
  // Called with a recognised tap's point (view points): the owner asks for a picking pass there.
  using PickRequest = std::function<void(double x, double y)>;
  explicit HotspotLayer(PickRequest onTap) : onTap_(std::move(onTap)) {}

  // A hotspot is drawn from the next frame on; removal takes effect at the next drawn frame.
  std::shared_ptr<QVHotspot> createHotspot(std::shared_ptr<Image> image);
  std::shared_ptr<QVHotspot> createHotspotWithView(std::shared_ptr<RenderableView> view);
  void removeHotspot(QVHotspot* hotspot);

  // The recogniser the host feeds with taps; null until the first hotspot.
  const std::shared_ptr<TapRecognizer>& tapRecognizer() const { return tapper_; }
  void onTap(TapRecognizer& recognizer);

  // Purges released hotspots and draws the others at the scene's turn about the pole axis (degrees), so they
  // stay put on the panorama. Model-view matrix mode current. True when a hotspot was drawn.
  bool draw(bool picking, float sceneYaw);
  // The colour of one pixel a picking pass read back.
  struct PickColour {
    int32_t red = 0, green = 0, blue = 0;
  };
  // Offers a picking pass's colours (one per eye) to every hotspot: a hotspot is hit when any of them is
  // its colour. Focus in and out in focus mode, else the tap's action.
  void dispatchPick(std::span<const PickColour> colours, bool focusMode);
  // A frame that drew no hotspots: whatever had the focus loses it.
  void endFocus();

  const std::vector<std::shared_ptr<QVHotspotImpl>>& hotspots() const { return hotspots_; }
  // Deletes every hotspot's GL objects and forgets them; the GL context must be current.
  void releaseAll();

 private:
  void installTapper();

  PickRequest onTap_;
  std::vector<std::shared_ptr<QVHotspotImpl>> hotspots_;
  std::shared_ptr<TapRecognizer> tapper_;  // made with the first hotspot
};

}  // namespace qv
QV_EXPORT_END
