#include "apps/qvview/Viewer.h"

#include <cstdio>
#include <filesystem>
#include <vector>

#include "apps/qvview/DefaultPanorama.h"
#include "qv/core/QVObjectFactory.h"
#include "qv/os/Image.h"
#include "qv/os/MotionSources.h"
#include "qv/os/QVLog.h"

std::shared_ptr<Image> loadPanorama(const Options& options, std::string* error) {
  if (!options.file) return makeDefaultPanorama();
  const std::string& path = *options.file;
  std::error_code code;
  if (!std::filesystem::exists(path, code)) {
    *error = path + ": no such file";
    return nullptr;
  }
  // The kit logs the reason; keep its line for the one message the user sees.
  std::string reason;
  auto previous = QVLogSetSink([&](std::string_view line) { reason = line; });
  auto image = Image::fromFile(path);
  QVLogSetSink(previous);
  if (!image) {
    std::string prefix = "Image " + path + ": ";
    if (reason.rfind(prefix, 0) == 0) reason = reason.substr(prefix.size());
    *error = path + ": " + (reason.empty() ? "cannot be read" : reason);
  }
  return image;
}

std::optional<bool> installMotion(const Options& options) {
  std::string reason;
  auto previous = QVLogSetSink([&](std::string_view line) { reason = line; });
  auto kind = installMotionSources(options.motionTrace);
  QVLogSetSink(previous);
  if (!kind) {
    std::fprintf(stderr, "qvview: %s\n", reason.c_str());
    return std::nullopt;
  }
  if (*kind == MotionSourceKind::None) {
    std::fprintf(stderr, "qvview: no motion sensors; look around by dragging\n");
  } else {
    std::fprintf(stderr, "qvview: motion from %s\n", motionSourceKindName(*kind));
  }
  return *kind != MotionSourceKind::None;
}

std::shared_ptr<QVViewGL> makeViewer(const Options& options, const std::shared_ptr<Image>& panorama,
                                     bool haveMotion) {
  auto view = QVObjectFactory::viewWithFrame(QVRect{0, 0, double(options.width), double(options.height)});
  if (!view) return nullptr;
  view->setFieldOfView(options.fov);
  view->setAutoLevel(false, 0);
  view->layoutSubviews();
  // Without motion sensors the view is looked around by touch (drags, keys, --yaw and --pitch).
  if (!haveMotion) view->setNavigationMode(1);
  if (options.nadir || options.zenith) {
    view->setBlindSpotImage(options.nadir ? options.nadir : options.zenith);
    view->setBlindSpotLocation(options.nadir ? 1 : 2);
  }
  view->setRotationX(options.yaw);
  view->setRotationY(options.pitch);
  view->setImage(panorama);
  return view;
}
