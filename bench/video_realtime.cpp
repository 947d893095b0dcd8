// Real-time playback of a 3840x1920 30 fps clip with sound while a headless 1280x720 view draws at 60 fps
// on the main thread: the asset's capture thread uploads each frame into the view. Over the first 20 s it
// counts the frames decoded but never shown (skipped) and late frames (shown more than a frame and a half
// after their time); the peer is the clip itself, frames shown against the frames its first 20 s hold.
// Playback then loops the 25 s clip until 60 s have passed, printing the resident memory every 5 s (it
// stays flat: frames come from a reused pool). The clip is made once into /tmp.
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "qv/core/QVObjectFactory.h"
#include "qv/media/QVAssetListener.h"
#include "qv/os/RunLoop.h"
#include "qv/os/av/MediaTime.h"
#include "qv/os/av/PlayerItemVideoOutput.h"

using namespace qv;

namespace {

const char* kFile = "/tmp/qv_bench_3840x1920_30fps_25s.mp4";
constexpr double kMeasuredSeconds = 20.0, kLoopSeconds = 60.0;

double residentMiB() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

struct Observer : QVAssetObserver {
  std::shared_ptr<QVAsset> asset;
  int loops = 0;
  void onStatusMessage(QVAsset*, int32_t message) override {
    if (message == 5 && asset) {  // played to the end: from the start again
      ++loops;
      asset->setTimeRange(MediaTime::zero(), MediaTime::positiveInfinity(), true);
    }
  }
};

struct Counts {
  uint64_t shown = 0, skipped = 0, late = 0;
  double mediaTime = 0;
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
  observer->asset = asset;
  auto output = asset->videoOutput();
  auto counts = [&] {
    return Counts{output->framesCopied(), output->framesSkipped(), output->framesLate(),
                  asset->getPlaybackTime().seconds()};
  };
  double startMiB = residentMiB();
  std::printf("resident at start: %.1f MiB\n", startMiB);
  asset->play();
  auto start = std::chrono::steady_clock::now();
  auto next = start;
  int drawn = 0;
  double nextReport = 5.0, peakMiB = startMiB;
  Counts measured;
  bool measuring = true;
  while (true) {
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (measuring && elapsed >= kMeasuredSeconds) {
      measured = counts();
      measuring = false;
    }
    if (elapsed >= kLoopSeconds) break;
    view->update();
    if (measuring) ++drawn;
    peakMiB = std::max(peakMiB, residentMiB());
    if (elapsed >= nextReport) {
      Counts now = counts();
      std::printf("  %4.1f s: resident %.1f MiB, media time %.2f s, never shown so far %llu\n", elapsed,
                  residentMiB(), now.mediaTime, (unsigned long long)now.skipped);
      nextReport += 5.0;
    }
    next += std::chrono::microseconds(16667);
    while (std::chrono::steady_clock::now() < next) RunLoop::main().runFor(0.002);
  }
  Counts total = counts();
  asset->stop();
  until([&] { return !asset->isCapturing(); }, 5);
  // The frames of the clip due by the media time, the first at 0.
  int inClip = int(std::floor(measured.mediaTime * 30.0 + 1e-6)) + 1;
  std::printf("first %.0f s: view frames drawn %d (%.1f per second)\n", kMeasuredSeconds, drawn,
              drawn / kMeasuredSeconds);
  std::printf(
      "first %.0f s: video frames shown %llu, decoded but never shown %llu, late %llu; media time %.2f s\n",
      kMeasuredSeconds, (unsigned long long)measured.shown, (unsigned long long)measured.skipped,
      (unsigned long long)measured.late, measured.mediaTime);
  std::printf("all %.0f s (%d loops): shown %llu, never shown %llu, late %llu\n", kLoopSeconds,
              observer->loops, (unsigned long long)total.shown, (unsigned long long)total.skipped,
              (unsigned long long)total.late);
  std::printf("resident: start %.1f MiB, peak %.1f MiB, end %.1f MiB, pool buffers %zu\n", startMiB, peakMiB,
              residentMiB(), output->bufferAllocations());
  std::printf("real time 3840x1920@30 with a 1280x720 view at 60 fps: shown %llu of %d frames, ratio %.3f\n",
              (unsigned long long)measured.shown, inClip, double(measured.shown) / inClip);
  observer->asset.reset();
  asset.reset();
  view.reset();
  return 0;
}
