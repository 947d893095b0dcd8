// qvview in a window: SDL2 for the window, GL ES 1.1 context and input; the kit draws through its own
// framebuffer, which the window's layer puts on the window. Several files are a playlist, shown one at a
// time in the same window.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "apps/qvview/SdlControllerMotion.h"
#include "apps/qvview/VideoPlayback.h"
#include "apps/qvview/Viewer.h"
#include "apps/qvview/WindowSession.h"
#include "qv/os/MotionManager.h"
#include "qv/sdl/SdlAudioSink.h"
#include "qv/sdl/SdlGLWindow.h"

using namespace qv;

namespace {

bool hasValue(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

// SDL falls back to drivers that show nothing (offscreen, dummy) when there is no display: a window
// there would run unseen for ever. A driver the user chose by name is taken at its word.
bool noDisplay() {
  if (hasValue("SDL_VIDEODRIVER")) return false;
  if (!hasValue("DISPLAY") && !hasValue("WAYLAND_DISPLAY")) return true;
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver && (!std::strcmp(driver, "offscreen") || !std::strcmp(driver, "dummy"));
}

int showPlaylist(const SdlGLWindow& window, const Options& options) {
  WindowState state;
  state.playlist = options.files.size() > 1;
  std::optional<bool> motion = installMotion(options, true);
  if (!motion) return 1;
  state.haveMotion = *motion;
  if (!state.haveMotion) {
    if (auto pad = SdlControllerMotion::open()) {
      MotionManager::setFactory([pad] { return pad; });
      state.haveMotion = true;
      std::fprintf(stderr, "qvview: motion from the game controller\n");
    }
  }
  bool audio = false;
  const size_t count = std::max<size_t>(options.files.size(), 1);
  for (size_t index = 0;;) {
    Options item = options;
    if (!options.files.empty()) item.file = options.files[index];
    if (VideoPlayback::isVideo(item) && !audio) {
      SdlAudioSink::install();
      audio = true;
    }
    SessionEnd end;
    {
      WindowSession session(window, item, state);
      end = session.run();
    }
    switch (end) {
      case SessionEnd::Quit:
        return 0;
      case SessionEnd::Failed:
        return 1;
      case SessionEnd::Next:
        index = (index + 1) % count;
        break;
      case SessionEnd::Previous:
        index = (index + count - 1) % count;
        break;
    }
  }
}

}  // namespace

int runWindow(const Options& options) {
  const char* noDisplayText = "qvview: no display; use --headless\n";
  if (noDisplay()) {
    std::fprintf(stderr, "%s", noDisplayText);
    return 1;
  }
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "qvview: no display (%s); use --headless\n", SDL_GetError());
    return 1;
  }
  if (noDisplay()) {
    std::fprintf(stderr, "%s", noDisplayText);
    SDL_Quit();
    return 1;
  }
  std::string whyNot;
  auto window = SdlGLWindow::open("qvview", options.width, options.height, &whyNot);
  if (!window) {
    std::fprintf(stderr, "qvview: cannot open a GL ES 1.1 window (%s)\n", whyNot.c_str());
    SDL_Quit();
    return 1;
  }
  int exitCode = showPlaylist(*window, options);
  window.reset();
  SDL_Quit();
  return exitCode;
}
