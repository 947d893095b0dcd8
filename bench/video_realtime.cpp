// Real-time playback of a 3840x1920 30 fps clip with sound for 20 s while a headless 1280x720 view draws
// at 60 fps on the main thread: the asset's capture thread uploads each frame into the view. Counts the
// frames decoded but never shown (skipped), late frames (shown more than a frame and a half after their
// time) and prints the resident memory every 5 s (it stays flat: frames come from a reused pool). The
// peer is the clip itself: frames shown against the frames its first 20 s hold. The clip is made once
// into /tmp.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "qv/core/QVObjectFactory.h"
#include "qv/media/QVAssetListener.h"
#include "qv/os/RunLoop.h"
#include "qv/os/av/PlayerItemVideoOutput.h"

namespace {

const char* kFile = "/tmp/qv_bench_3840x1920_30fps_25s.mp4";
constexpr double kPlaySeconds = 20.0;

double residentMiB() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

struct Observer : QVAssetObserver {
  int32_t last = 0;
  void onStatusMessage(QVAsset*, int32_t message) override { last = message; }
};

}  // namespace

int main() {
  if (!std::filesystem::exists(kFile)) {
    std::printf("making %s ...\n", kFile);
    std::string make = std::string("ffmpeg -nostdin -hide_banner -v error -y ") +
                       "-f lavfi -i testsrc2=size=3840x1920:rate=30:duration=25 " +
                       "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=25 " +
                       "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -g 60 -c:a aac -shortest " + kFile;
    if (std::system(make.c_str()) != 0) {
      std::fprintf(stderr, "could not make the clip\n");
      return 1;
    }
  }
  RunLoop::main().adoptCurrentThread();
  auto view = QVObjectFactory::viewWithFrame(QVRect{0, 0, 1280, 720});
  if (!view) {
    std::fprintf(stderr, "no view (GL context?)\n");
    return 1;
  }
  view->layoutSubviews();
  auto observer = std::make_shared<Observer>();
  auto asset = QVObjectFactory::assetFromUrl(kFile, observer);
  view->displayAsset(asset);
  auto until = [](auto done, double limit) {
    auto start = std::chrono::steady_clock::now();
    while (!done() && std::chrono::steady_clock::now() - start < std::chrono::duration<double>(limit)) {
      RunLoop::main().runFor(0.005);
    }
    return done();
  };
  if (!until([&] { return asset->getStatus() == 1; }, 30)) {
    std::fprintf(stderr, "clip did not load (status %d)\n", asset->getStatus());
    return 1;
  }
  double startMiB = residentMiB();
  std::printf("resident at start: %.1f MiB\n", startMiB);
  asset->play();
  auto start = std::chrono::steady_clock::now();
  auto next = start;
  int drawn = 0;
  double nextReport = 5.0, peakMiB = startMiB;
  while (true) {
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (elapsed >= kPlaySeconds) break;
    view->update();
    ++drawn;
    peakMiB = std::max(peakMiB, residentMiB());
    if (elapsed >= nextReport) {
      std::printf("  %4.1f s: resident %.1f MiB, media time %.2f s, never shown so far %llu\n", elapsed,
                  residentMiB(), asset->getPlaybackTime().seconds(),
                  (unsigned long long)asset->videoOutput()->framesSkipped());
      nextReport += 5.0;
    }
    next += std::chrono::microseconds(16667);
    while (std::chrono::steady_clock::now() < next) RunLoop::main().runFor(0.002);
  }
  double mediaTime = asset->getPlaybackTime().seconds();
  auto output = asset->videoOutput();
  uint64_t shown = output->framesCopied(), skipped = output->framesSkipped(), late = output->framesLate();
  asset->stop();
  until([&] { return !asset->isCapturing(); }, 5);
  int inClip = int(mediaTime * 30.0 + 0.5);
  std::printf("view frames drawn: %d in %.0f s (%.1f per second)\n", drawn, kPlaySeconds,
              drawn / kPlaySeconds);
  std::printf("video frames: shown %llu, decoded but never shown %llu, late %llu; media time %.2f s\n",
              (unsigned long long)shown, (unsigned long long)skipped, (unsigned long long)late, mediaTime);
  std::printf("resident: start %.1f MiB, peak %.1f MiB, end %.1f MiB, pool buffers %zu\n", startMiB, peakMiB,
              residentMiB(), output->bufferAllocations());
  std::printf("real time 3840x1920@30 with a 1280x720 view at 60 fps: shown %llu of %d frames, ratio %.3f\n",
              (unsigned long long)shown, inClip, inClip ? double(shown) / inClip : 0.0);
  asset.reset();
  view.reset();
  return 0;
}
