// Frame cost of hotspots: a 1280x720 panorama frame with 0, 10 and 100 image hotspots, a tap's picking
// frame and a focus-mode frame (picking pass plus visible pass), each as a ratio to the frame without
// hotspots measured in the same run. Frames are presented to an offscreen layer (a read-back per frame).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "qv/core/QVObjectFactory.h"
#include "qv/hotspots/QVHotspot.h"
#include "qv/os/Image.h"
#include "qv/os/RunLoop.h"
#include "qv/os/TapRecognizer.h"

using namespace qv;

namespace {

constexpr int kFrames = 60;

double medianMilliseconds(const std::function<void()>& frame) {
  for (int i = 0; i < 5; ++i) frame();  // warm: first uploads and shader variants
  std::vector<double> runs;
  for (int i = 0; i < kFrames; ++i) {
    auto start = std::chrono::steady_clock::now();
    frame();
    runs.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(runs.begin(), runs.end());
  return runs[runs.size() / 2];
}

std::shared_ptr<Image> picture(int w, int h, uint32_t seed) {
  std::vector<uint8_t> px(size_t(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      seed = seed * 1664525u + 1013904223u;
      uint8_t* p = &px[(size_t(y) * w + x) * 4];
      p[0] = uint8_t(x * 255 / w), p[1] = uint8_t(y * 255 / h), p[2] = uint8_t(seed >> 24), p[3] = 255;
    }
  return Image::fromRGBA(w, h, std::move(px));
}

}  // namespace

int main() {
  RunLoop::main().useManualClock(0);
  auto view = QVObjectFactory::viewWithFrame(QVRect{0, 0, 1280, 720});
  if (!view) return 1;
  view->layoutSubviews();
  if (view->drawable().width() != 1280) {
    std::fprintf(stderr, "no drawable\n");
    return 1;
  }
  view->setNavigationMode(1);
  view->setAutoLevel(false, 0);
  view->setImage(picture(2048, 1024, 1));
  auto frame = [&] {
    view->update();
    RunLoop::main().runOnce();
  };

  const double base = medianMilliseconds(frame);
  auto icon = picture(200, 100, 2);  // prepared onto a 256x128 canvas
  std::vector<std::shared_ptr<QVHotspot>> hotspots;
  auto grow = [&](size_t count) {
    while (hotspots.size() < count) {
      size_t i = hotspots.size();
      hotspots.push_back(view->createHotspot(icon));
      hotspots.back()->setCoordinates(float(i * 37 % 360), float(int(i * 13 % 70) - 35), 0);
    }
  };
  grow(10);
  const double ten = medianMilliseconds(frame);
  grow(100);
  const double hundred = medianMilliseconds(frame);
  const double picking = medianMilliseconds([&] {
    view->tapRecognizer()->tap(640, 360);
    frame();
  });
  view->setHitOnFocus(true);
  const double focus = medianMilliseconds(frame);

  std::printf("median of %d frames, 1280x720, llvmpipe\n", kFrames);
  std::printf("%-40s %8.2f ms   ratio 1.00x\n", "frame, no hotspots (reference)", base);
  std::printf("%-40s %8.2f ms   ratio %.2fx\n", "frame, 10 hotspots", ten, ten / base);
  std::printf("%-40s %8.2f ms   ratio %.2fx\n", "frame, 100 hotspots", hundred, hundred / base);
  std::printf("%-40s %8.2f ms   ratio %.2fx\n", "picking frame after a tap, 100 hotspots", picking,
              picking / base);
  std::printf("%-40s %8.2f ms   ratio %.2fx\n", "focus-mode frame, 100 hotspots", focus, focus / base);
  return 0;
}
