// Panoramas larger than one texture, loaded from files (loadImage). For an 8192x4096 and a 32768x16384
// JPEG: the time from the call to the first drawn frame of the preview and of the full resolution against
// TurboJPEG decoding the same file alone, and the peak resident size against 1.5 x W x H x 4 bytes. Then
// the frame time of the tiled 32768x16384 panorama against a 4096x2048 one on the mono sphere, looking
// around, at the view's default field of view and at 20 degrees.
#include <turbojpeg.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "qv/core/QVObjectFactory.h"
#include "qv/os/Image.h"
#include "qv/os/OffscreenLayer.h"
#include "qv/os/RunLoop.h"

using namespace qv;

namespace {

constexpr int kFrames = 60;

double since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

long statusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::char_traits<char>::length(field));
  return 0;
}

std::string writeJPEG(int width, int height) {
  std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
      p[0] = uint8_t(x / 32), p[1] = uint8_t(y / 16), p[2] = uint8_t((x ^ y) & 0xFF);
    }
  tjhandle handle = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  tjCompress2(handle, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &size, TJSAMP_420, 90, 0);
  const std::string path = "/tmp/qvkit-bench-tiles-" + std::to_string(width) + ".jpg";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<char*>(jpeg), std::streamsize(size));
  tjFree(jpeg);
  tjDestroy(handle);
  return path;
}

double decodeAlone(const std::string& path, int width, int height) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), {});
  const auto start = std::chrono::steady_clock::now();
  tjhandle handle = tjInitDecompress();
  auto* pixels = static_cast<unsigned char*>(std::malloc(size_t(width) * size_t(height) * 4));
  tjDecompress2(handle, file.data(), (unsigned long)file.size(), pixels, width, 0, height, TJPF_BGRA, 0);
  tjDestroy(handle);
  std::free(pixels);
  return since(start);
}

double frameTime(QVViewGL& view) {
  view.update();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kFrames; ++i) {
    view.setRotationX(float(i * 11 % 360));
    view.setRotationY(float(i % 60 - 30));
    view.update();
  }
  return since(start) / kFrames;
}

}  // namespace

int main() {
  auto view = QVObjectFactory::viewWithFrame(QVRect{0, 0, 1280, 720});
  view->layoutSubviews();
  view->setNavigationMode(1);
  view->setAutoLevel(false, 0);
  const float defaultFov = view->fieldOfView();
  view->update();
  auto& layer = static_cast<OffscreenLayer&>(*view->layer());

  auto small = Image::fromRGBA(4096, 2048, std::vector<uint8_t>(size_t(4096) * 2048 * 4, 128));
  view->setImage(small);
  small.reset();
  const double monoFrame = frameTime(*view);
  view->setFieldOfView(20);
  const double monoFrameNarrow = frameTime(*view);
  view->setFieldOfView(defaultFov);

  for (const int width : {8192, 32768}) {
    const int height = width / 2;
    const std::string path = writeJPEG(width, height);
    const double peer = decodeAlone(path, width, height);
    std::ofstream("/proc/self/clear_refs") << "5";  // the peak from here on
    const long base = statusKiB("VmRSS:");
    double toPreview = 0;
    auto start = std::chrono::steady_clock::now();
    view->setImageLoadObserver([&](ImageLoadState state) {
      if (state != ImageLoadState::Preview) return;
      view->update();
      toPreview = since(start);
    });
    const int presents = layer.presentCount();
    start = std::chrono::steady_clock::now();
    view->loadImage(path);
    while (view->imageLoadState() != ImageLoadState::Full && view->imageLoadState() != ImageLoadState::Failed)
      RunLoop::main().runFor(0.001);
    if (view->imageLoadState() != ImageLoadState::Full) return 1;
    view->update();
    const double toFull = since(start);
    if (layer.presentCount() != presents + 2) return 1;
    const double peakBytes = double(statusKiB("VmHWM:") - base) * 1024;
    const double goalBytes = 1.5 * width * height * 4;
    std::printf(
        "%dx%d JPEG: first picture %.0f ms, full resolution %.0f ms, TurboJPEG decode %.0f ms; ratios "
        "%.2fx (goal 0.25x) and %.2fx (goal 1.2x)\n",
        width, height, toPreview * 1e3, toFull * 1e3, peer * 1e3, toPreview / peer, toFull / peer);
    std::printf("%dx%d peak resident above the base: %.0f MB, %.2f of 1.5 x W x H x 4 (goal <= 1)\n", width,
                height, peakBytes / 1e6, peakBytes / goalBytes);
    if (width == 32768) {
      const double tiledFrame = frameTime(*view);
      view->setFieldOfView(20);
      const double tiledFrameNarrow = frameTime(*view);
      view->setFieldOfView(defaultFov);
      std::printf(
          "frame at 1280x720, fov %.0f: tiled 32768x16384 %.1f ms, mono 4096x2048 %.1f ms, ratio %.2fx (goal "
          "<= 1.3x)\n",
          defaultFov, tiledFrame * 1e3, monoFrame * 1e3, tiledFrame / monoFrame);
      std::printf(
          "frame at 1280x720, fov 20: tiled 32768x16384 %.1f ms, mono 4096x2048 %.1f ms, ratio %.2fx (goal "
          "<= 1.3x)\n",
          tiledFrameNarrow * 1e3, monoFrameNarrow * 1e3, tiledFrameNarrow / monoFrameNarrow);
    }
    std::remove(path.c_str());
  }
  view->setImageLoadObserver({});
  view->halt();
  return 0;
}
