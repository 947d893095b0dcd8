// Real-time playback with sound while a headless 1280x720 view draws on the main thread: the asset's capture
// thread uploads each frame into the view. Two clips (BenchClip.h): 3840x1920 at 30 fps with the view at
// 60 fps, and 5760x2880 HEVC at 30 fps (as consumer 360 cameras record) with the view at 30 fps. Over the
// measured time it counts the frames decoded but never shown (skipped) and late frames (shown more than a
// frame and a half after their time); the peer is the clip itself, frames shown against the frames its
// measured time holds. The 4K clip then loops until 60 s have passed, printing the resident memory every
// 5 s (it stays flat: frames come from a reused pool). Where the time goes is printed beside: the view's
// draw on the main thread, and the capture thread's copy (conversion to BGRA) and upload per frame.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "bench/BenchClip.h"
#include "qv/core/QVObjectFactory.h"
#include "qv/core/QVViewGL.h"
#include "qv/media/QVAssetListener.h"
#include "qv/os/PixelBuffer.h"
#include "qv/os/RunLoop.h"
#include "qv/os/av/MediaTime.h"
#include "qv/os/av/PlayerItemVideoOutput.h"

using namespace qv;

namespace {

constexpr double kMeasuredSeconds = 20.0, kLoopSeconds = 60.0;

double residentMiB() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double secondsSince(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
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

// Stands between the asset and the view, timing the view's upload of each frame on the capture thread and
// the gap between frames there (the capture thread's copy, which converts to BGRA, and its waits).
struct TimedListener : QVAssetListener {
  std::weak_ptr<QVViewGL> view;
  std::atomic<uint64_t> frames{0}, uploadNanoseconds{0};
  void onStatusChange(QVAsset* asset, int32_t status) override {
    if (auto v = view.lock()) v->onStatusChange(asset, status);
  }
  void onVideoFrame(const uint8_t* pixels, int32_t x, int32_t y, int32_t w, int32_t h) override {
    if (auto v = view.lock()) v->onVideoFrame(pixels, x, y, w, h);
  }
  void onImageBuffer(PixelBuffer* buffer, int32_t x, int32_t y, int32_t w, int32_t h) override {
    auto v = view.lock();
    if (!v) return;
    const auto start = std::chrono::steady_clock::now();
    v->onImageBuffer(buffer, x, y, w, h);
    uploadNanoseconds += uint64_t(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start)
            .count());
    ++frames;
  }
  void onImageBuffer2(PixelBuffer* first, PixelBuffer* second, int32_t x, int32_t y, int32_t w,
                      int32_t h) override {
    if (auto v = view.lock()) v->onImageBuffer2(first, second, x, y, w, h);
  }
  void lock() override {
    if (auto v = view.lock()) v->lock();
  }
  void unlock() override {
    if (auto v = view.lock()) v->unlock();
  }
};

struct Counts {
  uint64_t shown = 0, skipped = 0, late = 0;
  double mediaTime = 0;
};

// What one frame of the clip's size costs the view with nothing else running: its upload (the capture
// thread's share) and a draw of it (the main thread's).
void idleCosts(QVViewGL& view, const BenchClip& clip) {
  auto frame = PixelBuffer::create(clip.width, clip.height);
  if (!frame) return;
  frame->lockBaseAddress();
  for (size_t i = 0; i < frame->bytesPerRow() * size_t(clip.height); ++i)
    frame->baseAddress()[i] = uint8_t(i * 7);
  frame->unlockBaseAddress();
  constexpr int kRounds = 10;
  view.update();  // makes the texture cache
  double upload = 0, draw = 0;
  for (int i = 0; i < kRounds; ++i) {
    auto start = std::chrono::steady_clock::now();
    view.onImageBuffer(frame.get(), 0, 0, clip.width, clip.height);
    upload += secondsSince(start);
    start = std::chrono::steady_clock::now();
    view.update();
    draw += secondsSince(start);
  }
  std::printf("  alone: upload %.2f ms, draw %.2f ms a frame\n", 1000 * upload / kRounds,
              1000 * draw / kRounds);
}

// Plays `clip` from its start with the view drawing `viewFps` frames a second; counts over `measured`
// seconds, then keeps playing (looping) until `total` seconds, reporting memory every 5 s. False when the
// clip cannot be played.
bool play(const BenchClip& clip, double viewFps, double measured, double total) {
  if (!makeBenchClip(clip)) return false;
  auto view = QVObjectFactory::viewWithFrame(QVRect{0, 0, 1280, 720});
  if (!view) {
    std::fprintf(stderr, "no view (GL context?)\n");
    return false;
  }
  view->layoutSubviews();
  auto observer = std::make_shared<Observer>();
  auto asset = QVObjectFactory::assetFromUrl(clip.file, observer);
  view->displayAsset(asset);
  auto timed = std::make_shared<TimedListener>();
  timed->view = view;
  asset->setAssetListener(timed);
  auto until = [](auto done, double limit) {
    auto start = std::chrono::steady_clock::now();
    while (!done() && secondsSince(start) < limit) RunLoop::main().runFor(0.005);
    return done();
  };
  if (!until([&] { return asset->getStatus() == 1; }, 30)) {
    std::fprintf(stderr, "clip did not load (status %d)\n", asset->getStatus());
    return false;
  }
  observer->asset = asset;
  auto output = asset->videoOutput();
  auto counts = [&] {
    return Counts{output->framesCopied(), output->framesSkipped(), output->framesLate(),
                  asset->getPlaybackTime().seconds()};
  };
  std::printf("%dx%d at 30 fps, view 1280x720 at %.0f fps:\n", clip.width, clip.height, viewFps);
  idleCosts(*view, clip);
  const double startMiB = residentMiB();
  asset->play();
  const auto start = std::chrono::steady_clock::now();
  auto next = start;
  const auto period = std::chrono::nanoseconds(int64_t(1e9 / viewFps));
  int drawn = 0;
  double drawSeconds = 0, nextReport = 5.0, peakMiB = startMiB;
  Counts atEnd;
  uint64_t uploadsAtEnd = 0, uploadNanosecondsAtEnd = 0;
  bool measuring = true;
  while (true) {
    const double elapsed = secondsSince(start);
    if (measuring && elapsed >= measured) {
      atEnd = counts();
      uploadsAtEnd = timed->frames;
      uploadNanosecondsAtEnd = timed->uploadNanoseconds;
      measuring = false;
    }
    if (elapsed >= total) break;
    const auto drawStart = std::chrono::steady_clock::now();
    view->update();
    if (measuring) ++drawn, drawSeconds += secondsSince(drawStart);
    peakMiB = std::max(peakMiB, residentMiB());
    if (elapsed >= nextReport) {
      const Counts now = counts();
      std::printf("  %4.1f s: resident %.1f MiB, media time %.2f s, never shown so far %llu\n", elapsed,
                  residentMiB(), now.mediaTime, (unsigned long long)now.skipped);
      nextReport += 5.0;
    }
    next += period;
    while (std::chrono::steady_clock::now() < next) RunLoop::main().runFor(0.002);
  }
  const Counts all = counts();
  asset->stop();
  until([&] { return !asset->isCapturing(); }, 5);
  // The frames of the clip due by the media time, the first at 0.
  const int inClip = int(std::floor(atEnd.mediaTime * 30.0 + 1e-6)) + 1;
  const uint64_t decoded = atEnd.shown + atEnd.skipped;
  std::printf("  first %.1f s: view frames drawn %d (%.1f per second), %.2f ms each\n", measured, drawn,
              drawn / measured, drawn ? 1000.0 * drawSeconds / drawn : 0.0);
  std::printf("  first %.1f s: upload into the view %.2f ms a frame (capture thread, %llu frames)\n",
              measured, uploadsAtEnd ? uploadNanosecondsAtEnd / 1e6 / double(uploadsAtEnd) : 0.0,
              (unsigned long long)uploadsAtEnd);
  std::printf(
      "  first %.1f s: video frames shown %llu, decoded but never shown %llu (%.2f%% of %llu; goal <= 1%%), "
      "late %llu; media time %.2f s\n",
      measured, (unsigned long long)atEnd.shown, (unsigned long long)atEnd.skipped,
      decoded ? 100.0 * double(atEnd.skipped) / double(decoded) : 0.0, (unsigned long long)decoded,
      (unsigned long long)atEnd.late, atEnd.mediaTime);
  if (total > measured) {
    std::printf("  all %.0f s (%d loops): shown %llu, never shown %llu, late %llu\n", total, observer->loops,
                (unsigned long long)all.shown, (unsigned long long)all.skipped, (unsigned long long)all.late);
    std::printf("  resident: start %.1f MiB, peak %.1f MiB, end %.1f MiB, pool buffers %zu\n", startMiB,
                peakMiB, residentMiB(), output->bufferAllocations());
  }
  std::printf("real time %dx%d@30 with a 1280x720 view at %.0f fps: shown %llu of %d frames, ratio %.3f\n",
              clip.width, clip.height, viewFps, (unsigned long long)atEnd.shown, inClip,
              double(atEnd.shown) / inClip);
  observer->asset.reset();
  asset.reset();
  view.reset();
  return true;
}

}  // namespace

int main() {
  RunLoop::main().adoptCurrentThread();
  if (!play(kClip4KPlayback, 60, kMeasuredSeconds, kLoopSeconds)) return 1;
  // The 5.7K clip's first pass, short of its end (a loop restarts the decoder).
  const double seconds = std::min(kMeasuredSeconds, kClip5K7.frames / 30.0 - 0.5);
  if (!play(kClip5K7, 30, seconds, seconds)) return 1;
  return 0;
}
