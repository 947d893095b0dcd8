#include "apps/qvview/Viewer.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

#include "apps/qvview/DefaultPanorama.h"
#include "apps/qvview/LastLogLine.h"
#include "apps/qvview/VideoPlayback.h"
#include "qv/core/QVObjectFactory.h"
#include "qv/core/QVViewGL.h"
#include "qv/core/ViewMode.h"
#include "qv/hotspots/QVHotspot.h"
#include "qv/hotspots/QVHotspotTarget.h"
#include "qv/os/Image.h"
#include "qv/os/MotionSources.h"
#include "qv/os/RegularFile.h"
#include "qv/os/RunLoop.h"

using namespace qv;

std::shared_ptr<Image> loadPanorama(const Options& options, std::string* error) {
  if (!options.file) return makeDefaultPanorama();
  const std::string& path = *options.file;
  std::error_code code;
  if (!std::filesystem::exists(path, code) && !(VideoPlayback::isVideo(options) && isURL(path))) {
    *error = path + ": no such file";
    return nullptr;
  }
  if (VideoPlayback::isVideo(options)) {
    // The player would wait on a FIFO or read a device for ever: only regular files are handed to it.
    std::string reason;
    if (!isURL(path) && !RegularFile::check(path, &reason)) *error = path + ": " + reason;
    return nullptr;
  }
  // The kit logs the reason; keep its line for the one message the user sees.
  LastLogLine log;
  auto image = Image::fromFile(path);
  std::string reason = log.text();
  if (!image) {
    std::string prefix = "Image " + path + ": ";
    if (reason.rfind(prefix, 0) == 0) reason = reason.substr(prefix.size());
    *error = path + ": " + (reason.empty() ? "cannot be read" : reason);
  }
  return image;
}

std::optional<Content> loadContent(const Options& options) {
  Content content;
  std::string error;
  content.video = VideoPlayback::isVideo(options);
  if (options.file && !content.video) {
    // Decoded by the view, off the main thread; only what can be told without decoding is checked here.
    std::error_code code;
    std::string reason;
    if (!std::filesystem::exists(*options.file, code)) {
      reason = "no such file";
    } else {
      RegularFile::check(*options.file, &reason);
    }
    if (!reason.empty()) {
      std::fprintf(stderr, "qvview: %s: %s\n", options.file->c_str(), reason.c_str());
      return std::nullopt;
    }
    content.stillFile = *options.file;
    return content;
  }
  content.panorama = loadPanorama(options, &error);
  if (!content.panorama && (!content.video || !error.empty())) {
    std::fprintf(stderr, "qvview: %s\n", error.c_str());
    return std::nullopt;
  }
  return content;
}

bool isURL(const std::string& path) {
  return path.find("://") != std::string::npos;
}

std::optional<bool> installMotion(const Options& options, bool inWindow) {
  LastLogLine log;
  auto kind = installMotionSources(options.motionTrace);
  if (!kind) {
    std::fprintf(stderr, "qvview: %s\n", log.text().c_str());
    return std::nullopt;
  }
  if (*kind == MotionSourceKind::None) {
    // Only a window can be dragged: headless, the direction comes from the options.
    if (inWindow) std::fprintf(stderr, "qvview: no motion sensors; look around by dragging\n");
  } else {
    std::fprintf(stderr, "qvview: motion from %s\n", motionSourceKindName(*kind));
  }
  return *kind != MotionSourceKind::None;
}

namespace {

// Prints what the hotspots report; lives as long as the program, since hotspots hold their target weakly.
class HotspotPrinter : public QVHotspotTarget {
 public:
  static void print(QVHotspot* hotspot, const char* event) {
    std::printf("hotspot %d %s\n", int(hotspot->getTag()), event);
    std::fflush(stdout);
  }
  void onHotspotFocusIn(QVHotspot* hotspot) override { print(hotspot, "focus in"); }
  void onHotspotFocusOut(QVHotspot* hotspot) override { print(hotspot, "focus out"); }
};

// Turns the view to where the picture's metadata suggests looking first, unless the command line says.
// The kit leaves the direction to its host (touch, sensors, the host's own settings), so the viewer decides.
void lookWhereSuggested(QVViewGL& view, const Options& options,
                        const std::optional<PanoramaInitialView>& at) {
  if (!at) return;
  if (!options.directionGiven) {
    view.setRotationX(float(at->heading));
    view.setRotationY(float(at->pitch));
  }
  if (!options.fovGiven && at->horizontalFov) {
    // The view's field of view is vertical.
    const double halfWidth = std::tan(*at->horizontalFov * M_PI / 360.0);
    const double aspect = double(options.width) / double(options.height);
    view.setFieldOfView(float(2.0 * std::atan(halfWidth / aspect) * 180.0 / M_PI));
  }
}

// Places the --hotspot images; false with a message on standard error when one cannot be read.
bool placeHotspots(const Options& options, QVViewGL& view) {
  static const auto printer = std::make_shared<HotspotPrinter>();
  for (size_t i = 0; i < options.hotspots.size(); ++i) {
    std::string error;
    auto placement = parseHotspotOption(options.hotspots[i], int(i) + 1, &error);
    Options single;
    single.file = placement ? placement->image : "";
    auto image = placement ? loadPanorama(single, &error) : nullptr;
    if (!image) {
      if (error.empty()) error = placement->image + ": not a JPEG or PNG picture";
      std::fprintf(stderr, "qvview: %s\n", error.c_str());
      return false;
    }
    auto hotspot = view.createHotspot(image);
    // The kit draws a hotspot 1.5 units toward the zenith of its place 19.6 units out (about 4.4 degrees
    // higher); qvview's pitch names where its centre appears, as --pitch names the view's.
    const float lift = float(std::atan2(1.5, 19.6) * 180.0 / M_PI);
    hotspot->setCoordinates(placement->yaw, placement->pitch - lift, 0);
    hotspot->setTag(placement->tag);
    hotspot->addTarget(printer, [](QVHotspot* h) { HotspotPrinter::print(h, "tapped"); });
  }
  view.setHitOnFocus(options.gaze);
  return true;
}

}  // namespace

std::shared_ptr<QVViewGL> makeViewer(const Options& options, const std::shared_ptr<Image>& panorama,
                                     bool haveMotion) {
  auto view = QVObjectFactory::viewWithFrame(QVRect{0, 0, double(options.width), double(options.height)});
  if (!view) {
    std::fprintf(stderr, "qvview: cannot create the view\n");
    return nullptr;
  }
  view->setFieldOfView(options.fov);
  view->setAutoLevel(false, 0);
  view->layoutSubviews();
  // Without motion sensors the view is looked around by touch (drags, keys, --yaw and --pitch).
  if (!haveMotion) view->setNavigationMode(1);
  if (options.nadir || options.zenith) {
    // Read here so that a missing or broken file is an error, not a pole silently left uncovered.
    const std::string& name = options.nadir ? *options.nadir : *options.zenith;
    Options single;
    single.file = name;
    std::string error;
    if (!loadPanorama(single, &error) && error.empty()) error = name + ": not a JPEG or PNG picture";
    if (!error.empty()) {
      std::fprintf(stderr, "qvview: %s %s\n", options.nadir ? "--nadir" : "--zenith", error.c_str());
      return nullptr;
    }
    view->setBlindSpotImage(name);
    view->setBlindSpotLocation(options.nadir ? 1 : 2);
  }
  const int32_t mode = options.overUnder ? int32_t(ViewMode::OverUnder) : *viewModeFromName(options.mode);
  view->setViewMode(mode, 2.0f);
  view->setStereo(options.stereo);
  view->setRotationX(options.yaw);
  view->setRotationY(options.pitch);
  if (panorama && !showPanorama(*view, options, panorama)) return nullptr;
  if (!placeHotspots(options, *view)) return nullptr;
  return view;
}

bool showPanorama(QVViewGL& view, const Options& options, const std::shared_ptr<Image>& panorama) {
  view.setViewMode(view.viewMode(), float(panorama->width()) / float(panorama->height()));
  lookWhereSuggested(view, options, panorama->initialView());
  // The view keeps a black frame for a picture it cannot show; here that is the user's error.
  LastLogLine log;
  if (!view.setImage(panorama)) {
    std::fprintf(stderr, "qvview: %s: %s\n", options.file ? options.file->c_str() : "the panorama",
                 log.text().c_str());
    return false;
  }
  return true;
}

namespace {

// The kit's log lines while a still loads: the failure's line becomes qvview's one message.
std::optional<LastLogLine> stillLog;

}  // namespace

void startStill(QVViewGL& view, const Options& options, std::function<void()> changed) {
  stillLog.emplace();
  auto looked = std::make_shared<bool>(false);
  view.setImageLoadObserver([&view, options, looked, changed = std::move(changed)](ImageLoadState state) {
    if (!*looked && (state == ImageLoadState::Preview || state == ImageLoadState::Full)) {
      *looked = true;
      lookWhereSuggested(view, options, view.loadedImageInfo().initialView);
    }
    if (changed) changed();
  });
  view.loadImage(*options.file);
}

bool finishStill(QVViewGL& view, const Options& options) {
  std::string reason = stillLog ? stillLog->text() : std::string();
  stillLog.reset();
  const std::string& path = *options.file;
  if (view.imageLoadState() != ImageLoadState::Full) {
    const std::string prefix = "Image " + path + ": ";
    if (reason.rfind(prefix, 0) == 0) reason = reason.substr(prefix.size());
    if (reason.empty()) reason = view.imageLoadFailure();
    std::fprintf(stderr, "qvview: %s: %s\n", path.c_str(),
                 reason.empty() ? "cannot be read" : reason.c_str());
    return false;
  }
  const LoadedImageInfo info = view.loadedImageInfo();
  if (info.height > 0) view.setViewMode(view.viewMode(), float(info.width) / float(info.height));
  return true;
}

bool loadStillAndWait(QVViewGL& view, const Options& options) {
  startStill(view, options);
  while (view.imageLoadState() != ImageLoadState::Full && view.imageLoadState() != ImageLoadState::Failed) {
    // A manual clock does not wait by itself: the loader's reports are polled.
    if (RunLoop::main().runOnce() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return finishStill(view, options);
}
