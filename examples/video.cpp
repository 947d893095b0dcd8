// A video (a file or an http(s) URL that FFmpeg plays) in an SDL2 window with its sound on the default
// audio device; drag to look around. It quits at the end of the video, on Esc or when the window closes.
// Usage: video FILE_OR_URL
#include <SDL.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "qv/core/QVObjectFactory.h"
#include "qv/media/AssetStatus.h"
#include "qv/os/Environment.h"
#include "qv/os/RunLoop.h"
#include "qv/sdl/SdlAudioSink.h"
#include "qv/sdl/SdlGLWindow.h"

using namespace qv;

// The asset tells its observer how loading and playing go: play once ready, remember the last state.
class Playback : public QVAssetObserver {
 public:
  void onStatusMessage(QVAsset* asset, int32_t code) override {
    if (code == int32_t(AssetStatus::Ready)) asset->play();
    if (code < int32_t(AssetStatus::BufferEmpty)) state = code;  // 11 to 13 are messages, not states
  }
  bool over() const {
    return state == int32_t(AssetStatus::Finished) || state == int32_t(AssetStatus::Failed);
  }
  std::atomic<int32_t> state{int32_t(AssetStatus::Loading)};
};

// Plays `url` in the window; false when it cannot be played.
bool play(SdlGLWindow& window, const std::string& url) {
  Environment::current().setScreen(QVRect{0, 0, 960, 540}, 1.0);  // the window is the kit's screen
  auto view = QVObjectFactory::viewWithFrame(QVRect{0, 0, 960, 540});
  view->setLayer(window.makeLayer());
  view->layoutSubviews();
  view->setNavigationMode(NavigationMode::Touch);
  auto playback = std::make_shared<Playback>();
  auto asset = QVObjectFactory::assetFromUrl(url, playback);  // loads on its own thread
  view->displayAsset(asset);
  view->run();
  auto touch = [&](int x, int y) { return std::vector<QVViewGL::Touch>{{double(x), double(y), view.get()}}; };
  for (bool open = true; open && !playback->over();) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
      if (e.type == SDL_QUIT || (e.type == SDL_KEYDOWN && e.key.keysym.sym == SDLK_ESCAPE)) open = false;
      if (e.type == SDL_MOUSEBUTTONDOWN) view->touchesBegan(touch(e.button.x, e.button.y));
      if (e.type == SDL_MOUSEMOTION && e.motion.state) view->touchesMoved(touch(e.motion.x, e.motion.y));
      if (e.type == SDL_MOUSEBUTTONUP) view->touchesEnded(touch(e.button.x, e.button.y));
    }
    RunLoop::main().runFor(1.0 / 120);
  }
  const bool failed = playback->state == int32_t(AssetStatus::Failed);
  asset->stop();
  // The asset's capture thread reports Stopped once it has ended; the view may then go.
  while (!failed && playback->state != int32_t(AssetStatus::Stopped)) RunLoop::main().runFor(0.01);
  view->halt();
  return !failed;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: video FILE_OR_URL\n");
    return 2;
  }
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "video: no display (%s)\n", SDL_GetError());
    return 1;
  }
  // Every player made from now on plays its sound through SDL (silently where there is no device).
  SdlAudioSink::install();
  std::string whyNot;
  auto window = SdlGLWindow::open("video", 960, 540, &whyNot);
  if (!window) std::fprintf(stderr, "video: no GL ES 1.1 window (%s)\n", whyNot.c_str());
  const bool played = window && play(*window, argv[1]);
  if (window && !played) std::fprintf(stderr, "video: %s cannot be played\n", argv[1]);
  window.reset();
  SDL_Quit();
  return played ? 0 : 1;
}
