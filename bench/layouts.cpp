// Frame cost of each content layout at 1280x720 (the stereo pair as two eyes of 640x720), as a ratio to the
// mono sphere drawn in the same run. Every layout shows the same 2048x1024 video frame (the legacy renderer
// its own raw-frame texture of the same size); the cube-map layouts read it as a cube map, and the partial
// and stereo-packed layouts lay it as metadata would. Timed: the renderer and glFinish, without presenting.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

#include "qv/core/QVObjectFactory.h"
#include "qv/media/QVAsset.h"
#include "qv/os/Environment.h"
#include "qv/os/GLES.h"
#include "qv/os/PixelBuffer.h"
#include "qv/os/RunLoop.h"
#include "qv/platform/QVContext.h"
#include "tests/support/HostAsset.h"

using namespace qv;

namespace {

constexpr int kWidth = 1280, kHeight = 720;
constexpr int kFrameWidth = 2048, kFrameHeight = 1024;
constexpr int kRounds = 15, kFramesPerRound = 10;

struct Contender {
  const char* name;
  std::shared_ptr<QVViewGL> view;
  std::vector<double> samples;  // ms per frame, one per round
};

double msPerFrame(QVViewGL& view) {
  std::lock_guard<std::mutex> guard(QVContext::glLock());
  SharedContextScope scope;
  oes::glBindFramebufferOES(GL_FRAMEBUFFER_OES, view.drawable().framebuffer());
  glFinish();
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kFramesPerRound; ++i) view.drawScene();
  glFinish();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() /
         kFramesPerRound;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main() {
  Environment::current().setScreen(QVRect{0, 0, kWidth, kHeight}, 1.0);
  std::vector<uint8_t> pixels(size_t(kFrameWidth) * kFrameHeight * 4);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i * 2654435761u >> 24);
  auto frame =
      PixelBuffer::createWithBytes(kFrameWidth, kFrameHeight, pixels.data(), size_t(kFrameWidth) * 4);

  auto make = [&](int mode, bool stereo, PanoramaLayout layout = {}) {
    auto view = QVObjectFactory::viewWithFrame(QVRect{0, 0, kWidth, kHeight});
    view->setAutoLevel(false, 0);
    view->layoutSubviews();
    view->displayAsset(std::make_shared<HostAsset>());
    view->update();  // makes the texture cache
    view->onImageBuffer(frame.get(), 0, 0, kFrameWidth, kFrameHeight);
    view->setViewMode(mode, 2.0f);
    view->setStereo(stereo);
    view->setPanoramaLayout(layout);
    return view;
  };
  PanoramaLayout half, topBottom, cropped;
  half.area = {0.25, 0, 0.75, 1};
  topBottom.stereo = StereoPacking::TopBottom;
  cropped.area = {0.375, 0.25, 0.625, 0.583};
  auto cube = [](PanoramaProjection projection) {
    PanoramaLayout layout;
    layout.projection = projection;
    return layout;
  };
  std::vector<Contender> contenders = {
      {"sphere (mono)", make(0, false), {}},
      {"stereo pair 2x640x720", make(0, true), {}},
      {"over-under pair", make(4, true), {}},
      {"cylinder", make(2, false), {}},
      {"flat", make(1, false), {}},
      {"cube map 3x2", make(0, false, cube(PanoramaProjection::CubeMap3x2)), {}},
      {"equi-angular cube map", make(0, false, cube(PanoramaProjection::EquiAngularCubeMap)), {}},
      {"cube map 6x1", make(0, false, cube(PanoramaProjection::CubeMap6x1)), {}},
      {"cube map stereo pair", make(0, true, cube(PanoramaProjection::CubeMap3x2)), {}},
      {"180 (half sphere)", make(0, false, half), {}},
      {"top-bottom, mono view", make(0, false, topBottom), {}},
      {"top-bottom stereo pair", make(0, true, topBottom), {}},
      {"cropped 90x60 degrees", make(0, false, cropped), {}},
  };
  Environment::current().setSystemVersion("4.3");
  auto legacy = QVObjectFactory::viewWithFrame(QVRect{0, 0, kWidth, kHeight});
  legacy->layoutSubviews();
  legacy->onVideoFrame(pixels.data(), 0, 0, kFrameWidth, kFrameHeight);
  contenders.push_back({"legacy", legacy, {}});
  Environment::current().reset();
  for (auto& c : contenders) {
    if (!c.view || c.view->drawable().framebuffer() == 0) {
      std::fprintf(stderr, "cannot make the %s view\n", c.name);
      return 1;
    }
    msPerFrame(*c.view);  // warm-up: first-draw compilation in the driver
  }

  // Rounds alternate the order, so drift of the machine touches every layout alike.
  for (int round = 0; round < kRounds; ++round) {
    for (size_t i = 0; i < contenders.size(); ++i) {
      Contender& c = contenders[round % 2 ? contenders.size() - 1 - i : i];
      c.samples.push_back(msPerFrame(*c.view));
    }
  }
  const double mono = median(contenders[0].samples);
  std::printf("%d rounds of %d frames at %dx%d, median ms per frame\n", kRounds, kFramesPerRound, kWidth,
              kHeight);
  for (auto& c : contenders) {
    double ms = median(c.samples);
    std::printf("%-24s %7.2f ms   ratio to mono sphere %.2fx\n", c.name, ms, ms / mono);
  }
  return 0;
}
