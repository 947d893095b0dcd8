// What the headless and the window runs of qvview share: the panorama to show and the view set up for it.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "apps/qvview/Options.h"

namespace qv {
class Image;
class QVViewGL;
}  // namespace qv
using namespace qv;

// The file's image, or the built-in panorama; nullptr with *error set to one line naming the file, and
// nullptr with *error untouched for a video (played by VideoPlayback instead) that names a URL or a
// regular file.
std::shared_ptr<Image> loadPanorama(const Options& options, std::string* error);

// What the options show: a video (played by VideoPlayback), a still file (loaded by the view, see
// startStill), or the built-in panorama.
struct Content {
  bool video = false;
  std::optional<std::string> stillFile;  // a still panorama's file, checked to be a readable regular file
  std::shared_ptr<Image> panorama;       // the built-in panorama, else nullptr
};
// The options' content; nullopt, having printed why, when there is nothing that can be shown.
std::optional<Content> loadContent(const Options& options);

bool isURL(const std::string& path);

// Chooses the motion sources (a trace, the machine's sensors, or none) before any view is made. Returns
// whether there are any, or nullopt, having printed why, when the trace cannot be used. In a window it
// says when there are none (then the view is dragged).
std::optional<bool> installMotion(const Options& options, bool inWindow);

// A view of the options' size showing `panorama` (nullptr: a video comes later), looking where the options
// say, drawable built. Without motion sources the view is looked around by touch only.
std::shared_ptr<QVViewGL> makeViewer(const Options& options, const std::shared_ptr<Image>& panorama,
                                     bool haveMotion);

// Puts a still panorama into the view, with the view's layout aspect set to the picture's; false, having
// printed why, when the view cannot show it.
bool showPanorama(QVViewGL& view, const Options& options, const std::shared_ptr<Image>& panorama);

// Starts loading the options' still file into the view: a preview first, then the full resolution. The
// view turns where the picture's metadata suggests as soon as the picture is shown; `changed` is called
// on the main thread with every new state.
void startStill(QVViewGL& view, const Options& options, std::function<void()> changed = {});
// Once the view's load has ended: the view's layout aspect is the picture's; false, having printed one
// line naming the file and the reason, when it cannot be shown.
bool finishStill(QVViewGL& view, const Options& options);
// Pumps the main run loop until the view's load has ended, then finishStill.
bool loadStillAndWait(QVViewGL& view, const Options& options);

int runHeadless(const Options& options);
int runWindow(const Options& options);
