// How qvview lays the panorama on the sphere: the content's own layout (its metadata, or a band for a
// picture flatter than 2:1), changed by --projection and --layout, and one line saying what is shown.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "apps/qvview/Options.h"
#include "qv/os/PanoramaLayout.h"

namespace qv {
class Image;
class QVViewGL;
class Timer;
}  // namespace qv
using namespace qv;

// The content's layout as the options change it.
PanoramaLayout layoutWithOptions(const Options& options, PanoramaLayout content);

// Once the content's layout is known (a still at once, a video when its asset has loaded), sets the
// options' layout on the view and prints the one line. A still is settled by settle(); a video by the
// timer that start() schedules, which stops itself once it has printed.
class LayoutLine {
 public:
  // False while a video's asset is still loading. `still`: a still picture is shown (not a video), and
  // `stillMetadata`: its layout came from its photo-sphere metadata.
  static bool settle(const Options& options, QVViewGL& view, bool still, bool stillMetadata);
  static std::shared_ptr<Timer> start(const Options& options, const std::shared_ptr<QVViewGL>& view);
};
