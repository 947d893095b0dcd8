// qvview --headless: renders through EGL's surfaceless platform and writes the presented frames as PNGs.
#include <cstdio>
#include <optional>
#include <string>

#include "apps/qvview/LastLogLine.h"
#include "apps/qvview/LayoutLine.h"
#include "apps/qvview/VideoPlayback.h"
#include "apps/qvview/Viewer.h"
#include "qv/core/QVViewGL.h"
#include "qv/media/QVVideoStreamAsset.h"
#include "qv/os/Environment.h"
#include "qv/os/Image.h"
#include "qv/os/OffscreenLayer.h"
#include "qv/os/RunLoop.h"

using namespace qv;

namespace {

std::string framePath(const Options& options, int index) {
  if (options.frames == 1) return options.out;
  std::string stem = options.out;
  if (stem.size() > 4 && stem.compare(stem.size() - 4, 4, ".png") == 0) stem.resize(stem.size() - 4);
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, "-%04d.png", index);
  return stem + suffix;
}

// Starts the video and waits (up to 20 s) until its first frame is in the view, so that no frame written
// is black; nullptr, with one line naming the file and the reason, when it cannot be played.
std::shared_ptr<VideoPlayback> startVideo(const std::string& url, QVViewGL& view, LastLogLine& log) {
  auto playback = VideoPlayback::start(url, view);
  bool soundOnly = false;
  for (int i = 0; i < 2000 && !playback->showsFrame() && !playback->failed() && !soundOnly; ++i) {
    RunLoop::main().runFor(0.01);
    soundOnly = playback->status() != 0 && playback->status() != 10 && !playback->asset()->hasVideoTrack();
  }
  if (playback->showsFrame()) return playback;
  if (soundOnly) {
    std::fprintf(stderr, "qvview: %s: has no video track\n", url.c_str());
  } else {
    const std::string& reason = playback->failed() ? log.text() : std::string("no frame within 20 s");
    std::fprintf(stderr, "qvview: %s: cannot be played%s%s\n", url.c_str(), reason.empty() ? "" : ": ",
                 reason.c_str());
  }
  playback->stopAndWait();
  return nullptr;
}

}  // namespace

int runHeadless(const Options& options) {
  // The view's screen is the output image.
  Environment::current().setScreen(QVRect{0, 0, double(options.width), double(options.height)}, 1.0);
  const auto content = loadContent(options);
  if (!content) return 1;
  const bool video = content->video;
  // A still view's frames are 1/60 s apart on a manual clock, so a motion trace replays the same way on
  // every run; a video plays in real time, 30 frames a second.
  if (!video) RunLoop::main().useManualClock(0.0);
  auto haveMotion = installMotion(options);
  if (!haveMotion) return 1;
  auto view = makeViewer(options, content->panorama, *haveMotion);
  if (!view) return 1;  // makeViewer said why
  std::shared_ptr<VideoPlayback> playback;
  // The kit's last line is the reason a video fails; it is printed as part of qvview's own line.
  std::optional<LastLogLine> log;
  if (video) log.emplace();
  if (video && !(playback = startVideo(*options.file, *view, *log))) return 1;
  LayoutLine::settle(options, *view, content->panorama.get());  // a video's asset has loaded by now
  auto& layer = static_cast<OffscreenLayer&>(*view->layer());
  for (int i = 0; i < options.frames; ++i) {
    if (i > 0) RunLoop::main().runFor(video ? 1.0 / 30 : 1.0 / 60);
    if (playback && playback->failed()) {
      // A stream that broke off: the frames from here on would repeat its last picture.
      std::fprintf(stderr, "qvview: %s: playback failed after %d frames: %s\n", options.file->c_str(), i,
                   log->text().c_str());
      playback->stopAndWait();
      return 1;
    }
    view->update();
    int w = 0, h = 0;
    auto frame = layer.lastFrame(&w, &h);
    // The view's layer is opaque: what it shows is the colour alone, whatever alpha the framebuffer holds.
    for (size_t p = 3; p < frame.size(); p += 4) frame[p] = 255;
    auto image = Image::fromRGBA(w, h, std::move(frame));
    std::string path = framePath(options, i);
    if (!image || !image->writePNG(path)) {
      std::fprintf(stderr, "qvview: cannot write %s\n", path.c_str());
      return 1;
    }
    std::printf("wrote %s\n", path.c_str());
  }
  RunLoop::main().runOnce();  // what the last frame posted (hotspot messages)
  if (playback) playback->stopAndWait();
  return 0;
}
