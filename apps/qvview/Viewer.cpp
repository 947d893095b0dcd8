#include "apps/qvview/Viewer.h"

#include <filesystem>
#include <vector>

#include "apps/qvview/DefaultPanorama.h"
#include "qv/core/QVObjectFactory.h"
#include "qv/core/ViewMode.h"
#include "qv/os/Image.h"
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

std::shared_ptr<QVViewGL> makeViewer(const Options& options, const std::shared_ptr<Image>& panorama) {
  auto view = QVObjectFactory::viewWithFrame(QVRect{0, 0, double(options.width), double(options.height)});
  if (!view) return nullptr;
  view->setFieldOfView(options.fov);
  view->setAutoLevel(false, 0);
  view->layoutSubviews();
  // Without motion sensors the view is looked around by touch (drags, keys, --yaw and --pitch).
  if (view->accelMode) view->setNavigationMode(1);
  if (options.nadir || options.zenith) {
    view->setBlindSpotImage(options.nadir ? options.nadir : options.zenith);
    view->setBlindSpotLocation(options.nadir ? 1 : 2);
  }
  const int32_t mode = options.overUnder ? int32_t(ViewMode::OverUnder) : *viewModeFromName(options.mode);
  view->setViewMode(mode, float(panorama->width()) / float(panorama->height()));
  view->setStereo(options.stereo);
  view->setRotationX(options.yaw);
  view->setRotationY(options.pitch);
  view->setImage(panorama);
  return view;
}
