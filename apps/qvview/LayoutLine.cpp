#include "apps/qvview/LayoutLine.h"

#include <cstdio>

#include "qv/core/QVViewGL.h"
#include "qv/media/QVAsset.h"
#include "qv/os/RunLoop.h"

using namespace qv;

PanoramaLayout layoutWithOptions(const Options& options, PanoramaLayout layout) {
  if (options.projection) {
    const std::string& p = *options.projection;
    layout.projection = p == "cubemap" ? PanoramaProjection::CubeMap3x2
                        : p == "eac"   ? PanoramaProjection::EquiAngularCubeMap
                        : p == "c6x1"  ? PanoramaProjection::CubeMap6x1
                                       : PanoramaProjection::Equirectangular;
    // A cube map named on the command line is laid out as ffmpeg's v360 filter writes one.
    layout.cubeFaces = CubeFaceOrientation::Converter;
    layout.cubePadding = 0;
    // The front half of the sphere, from yaw -90 to 90.
    layout.area = p == "half" ? PanoramaArea{0.25, 0, 0.75, 1} : PanoramaArea{};
  }
  if (options.layout) {
    const std::string& l = *options.layout;
    layout.stereo = l == "tb"       ? StereoPacking::TopBottom
                    : l == "sbs"    ? StereoPacking::SideBySide
                    : l == "tb-rl"  ? StereoPacking::TopBottomRightFirst
                    : l == "sbs-rl" ? StereoPacking::SideBySideRightFirst
                                    : StereoPacking::Mono;
  }
  return layout;
}

bool LayoutLine::settle(const Options& options, QVViewGL& view, bool still, bool stillMetadata) {
  if (const auto& asset = view.asset()) {
    const int32_t status = asset->getStatus();
    if (status == 0 || status == 10) return false;
    if (status == 9) return true;  // the playback says why it failed
  }
  const PanoramaLayout content = view.contentPanoramaLayout();
  if (options.projection || options.layout) view.setPanoramaLayout(layoutWithOptions(options, content));
  const PanoramaLayout shown = view.panoramaLayout();
  std::string line = describePanoramaLayout(options.projection || options.layout ? shown : content);
  if (still && !stillMetadata && !content.area.whole() && !options.projection) {
    line += " (a picture flatter than 2:1 without panorama metadata: a band about the horizon)";
  }
  std::fprintf(stderr, "qvview: %s\n", line.c_str());
  return true;
}

std::shared_ptr<Timer> LayoutLine::start(const Options& options, const std::shared_ptr<QVViewGL>& view) {
  std::weak_ptr<QVViewGL> weak = view;
  auto timer = std::make_shared<std::shared_ptr<Timer>>();
  *timer = RunLoop::main().scheduleTimer(0.05, true, [options, weak, timer] {
    auto strong = weak.lock();
    if (!strong || settle(options, *strong, false, false)) {
      if (*timer) (*timer)->invalidate();
      timer->reset();
    }
  });
  return *timer;
}
