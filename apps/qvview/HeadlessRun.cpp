// qvview --headless: renders through EGL's surfaceless platform and writes the presented frames as PNGs.
// A video is stepped, not played: frame k is the decoded frame for media time start + k / fps, so every
// run writes the same files whatever the machine's speed.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "apps/qvview/LastLogLine.h"
#include "apps/qvview/LayoutLine.h"
#include "apps/qvview/VideoPlayback.h"
#include "apps/qvview/ViewList.h"
#include "apps/qvview/Viewer.h"
#include "qv/core/QVViewGL.h"
#include "qv/media/QVVideoStreamAsset.h"
#include "qv/os/Environment.h"
#include "qv/os/Image.h"
#include "qv/os/OffscreenLayer.h"
#include "qv/os/RegularFile.h"
#include "qv/os/RunLoop.h"

using namespace qv;

namespace {

std::string outputStem(const Options& options) {
  std::string stem = options.out;
  if (stem.size() > 4 && stem.compare(stem.size() - 4, 4, ".png") == 0) stem.resize(stem.size() - 4);
  return stem;
}

std::string framePath(const Options& options, int index) {
  if (options.frames == 1 && !options.views) return options.out;
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, "-%04d.png", index);
  return outputStem(options) + suffix;
}

// Starts the video and waits (up to 20 s) until its first frame is in the view; nullptr, with one line
// naming the file and the reason, when it cannot be played.
std::shared_ptr<VideoPlayback> startVideo(const Options& options, QVViewGL& view, LastLogLine& log) {
  const std::string& url = *options.file;
  auto playback = VideoPlayback::start(url, view, options.start, false);
  bool soundOnly = false;
  bool pastTheEnd = false;
  for (int i = 0; i < 2000 && !playback->showsFrame() && !playback->failed() && !soundOnly && !pastTheEnd;
       ++i) {
    RunLoop::main().runFor(0.01);
    soundOnly = playback->status() != 0 && playback->status() != 10 && !playback->asset()->hasVideoTrack();
    pastTheEnd = playback->duration() > 0 && options.start >= playback->duration() - 1e-4;
  }
  if (pastTheEnd) {
    std::fprintf(stderr, "qvview: --start %.3f s is past the end of %s (%.3f s)\n", options.start,
                 url.c_str(), playback->duration());
    playback->stopAndWait();
    return nullptr;
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

// Draws the view and writes what it shows to `path`.
bool writeFrame(QVViewGL& view, const std::string& path) {
  view.update();
  auto& layer = static_cast<OffscreenLayer&>(*view.layer());
  int w = 0, h = 0;
  auto frame = layer.lastFrame(&w, &h);
  // The view's layer is opaque: what it shows is the colour alone, whatever alpha the framebuffer holds.
  for (size_t p = 3; p < frame.size(); p += 4) frame[p] = 255;
  auto image = Image::fromRGBA(w, h, std::move(frame));
  if (!image || !image->writePNG(path)) {
    std::fprintf(stderr, "qvview: cannot write %s\n", path.c_str());
    return false;
  }
  std::printf("wrote %s\n", path.c_str());
  return true;
}

std::optional<std::vector<ViewRequest>> readViews(const std::string& path) {
  std::string error = "cannot be read";
  std::optional<std::vector<ViewRequest>> views;
  // A FIFO or a device would block or never end: only regular files are read.
  if (RegularFile::check(path, &error)) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    if (file) views = parseViewList(text.str(), &error);
  }
  if (!views) std::fprintf(stderr, "qvview: --views %s: %s\n", path.c_str(), error.c_str());
  return views;
}

// Every view of the list from the one decoded panorama (or video frame) in the view.
int writeViews(QVViewGL& view, const Options& options, const std::vector<ViewRequest>& views) {
  for (size_t i = 0; i < views.size(); ++i) {
    const ViewRequest& request = views[i];
    view.setRotationX(request.yaw);
    view.setRotationY(request.pitch);
    view.setFieldOfView(request.fov);
    std::string path =
        request.name.empty() ? framePath(options, int(i)) : outputStem(options) + "-" + request.name + ".png";
    if (!writeFrame(view, path)) return 1;
  }
  return 0;
}

// The media time of frame `index`, or nullopt past the end of a clip that does not loop.
std::optional<double> frameTime(const Options& options, const VideoPlayback& playback, int index) {
  const double frameDuration = playback.frameDuration();
  const double fps = options.fps ? *options.fps : frameDuration > 0 ? 1 / frameDuration : 30;
  double time = options.start + index / fps;
  const double length = playback.duration();
  // The end itself (or a hair before it, after rounding) has no frame to show.
  if (length > 0 && time >= length - 1e-4) {
    if (!options.loop) return std::nullopt;
    time = std::fmod(time, length);
  }
  return time;
}

}  // namespace

int runHeadless(const Options& options) {
  // The view's screen is the output image.
  Environment::current().setScreen(QVRect{0, 0, double(options.width), double(options.height)}, 1.0);
  std::optional<std::vector<ViewRequest>> views;
  if (options.views && !(views = readViews(*options.views))) return 1;
  const auto content = loadContent(options);
  if (!content) return 1;
  const bool video = content->video;
  // A still view's frames are 1/60 s apart on a manual clock, so a motion trace replays the same way on
  // every run; a video's frames are its media times.
  if (!video) RunLoop::main().useManualClock(0.0);
  auto haveMotion = installMotion(options, false);
  if (!haveMotion) return 1;
  auto view = makeViewer(options, content->panorama, *haveMotion);
  if (!view) return 1;  // makeViewer said why
  std::shared_ptr<VideoPlayback> playback;
  // The kit's last line is the reason a video fails; it is printed as part of qvview's own line.
  std::optional<LastLogLine> log;
  if (video) log.emplace();
  if (video && !(playback = startVideo(options, *view, *log))) return 1;
  // Headless frames are of the full resolution, never of the preview.
  if (content->stillFile && !loadStillAndWait(*view, options)) return 1;
  const bool metadata = content->stillFile  ? view->loadedImageInfo().panoramaMetadata
                        : content->panorama ? content->panorama->panoramaLayout().has_value()
                                            : false;
  LayoutLine::settle(options, *view, !video, metadata);  // a video's asset has loaded by now
  int exitCode = 0;
  const int frames = views ? 1 : options.frames;
  for (int i = 0; i < frames && exitCode == 0; ++i) {
    if (playback) {
      auto time = frameTime(options, *playback, i);
      if (!time) {
        std::printf("end of %s after %d frames\n", options.file->c_str(), i);
        break;
      }
      if (!playback->showFrameAt(*time)) {
        // A stream that broke off: the frames from here on would repeat its last picture.
        std::fprintf(stderr, "qvview: %s: no frame for %.3f s after %d frames%s%s\n", options.file->c_str(),
                     *time, i, playback->failed() ? ": " : "", playback->failed() ? log->text().c_str() : "");
        exitCode = 1;
        break;
      }
    } else if (i > 0) {
      RunLoop::main().runFor(1.0 / 60);
    }
    if (views) {
      exitCode = writeViews(*view, options, *views);
    } else if (!writeFrame(*view, framePath(options, i))) {
      exitCode = 1;
    }
  }
  RunLoop::main().runOnce();  // what the last frame posted (hotspot messages)
  if (playback) playback->stopAndWait();
  return exitCode;
}
