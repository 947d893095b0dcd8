// qvview in a window: SDL2 for the window, GL ES 1.1 context and input; the kit draws through its own
// framebuffer, which the window's layer puts on the window.
#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "apps/qvview/SdlControllerMotion.h"
#include "apps/qvview/VideoPlayback.h"
#include "apps/qvview/Viewer.h"
#include "qv/core/QVViewGL.h"
#include "qv/core/ViewMode.h"
#include "qv/media/QVVideoStreamAsset.h"
#include "qv/os/Environment.h"
#include "qv/os/MotionManager.h"
#include "qv/os/RunLoop.h"
#include "qv/os/TapRecognizer.h"
#include "qv/sdl/SdlAudioSink.h"
#include "qv/sdl/SdlGLWindow.h"

using namespace qv;

namespace {

// A left click that did not move becomes a tap for the view's tap recogniser (window points = view points).
void deliverClick(const SDL_Event& event, QVViewGL& view) {
  static int downX = 0, downY = 0;
  if (event.type == SDL_MOUSEBUTTONDOWN && event.button.button == SDL_BUTTON_LEFT) {
    downX = event.button.x;
    downY = event.button.y;
  } else if (event.type == SDL_MOUSEBUTTONUP && event.button.button == SDL_BUTTON_LEFT &&
             view.tapRecognizer() && std::abs(event.button.x - downX) <= 3 &&
             std::abs(event.button.y - downY) <= 3) {
    view.tapRecognizer()->tap(event.button.x, event.button.y);
  }
}

// Tells the kit the window's size in points and its scale (pixels per point), as a phone's screen would.
void reportScreen(SDL_Window* window) {
  int points[2] = {0, 0}, pixels[2] = {0, 0};
  SDL_GetWindowSize(window, &points[0], &points[1]);
  SDL_GL_GetDrawableSize(window, &pixels[0], &pixels[1]);
  const double scale = points[1] > 0 && pixels[1] > 0 ? double(pixels[1]) / points[1] : 1.0;
  Environment::current().setScreen(QVRect{0, 0, double(points[0]), double(points[1])}, scale);
}

// Held arrow keys look around at a steady rate, whatever the frame rate and the keyboard's repeat.
void lookWithHeldKeys(QVViewGL& view, double seconds) {
  constexpr float kDegreesPerSecond = 60;
  const Uint8* keys = SDL_GetKeyboardState(nullptr);
  const float yaw = float(keys[SDL_SCANCODE_LEFT] - keys[SDL_SCANCODE_RIGHT]);
  const float pitch = float(keys[SDL_SCANCODE_UP] - keys[SDL_SCANCODE_DOWN]);
  if (yaw == 0 && pitch == 0) return;
  // Slower when zoomed in, so the picture moves across the window at about the same speed.
  const float rate = kDegreesPerSecond * float(seconds) * view.fieldOfView() / 75.0f;
  view.turn(yaw * rate, pitch * rate);
}

// Runs the window until it is closed: SDL events become touches, taps, keys and resizes for the view,
// and the main run loop draws the frames in between.
void runEventLoop(SDL_Window* window, QVViewGL* view, const Options& options, const VideoPlayback* playback) {
  constexpr float kZoomStep = 1.1f;  // field-of-view factor per wheel notch or key press
  bool running = true, fullscreen = false;
  std::string title;
  auto touches = [&](double x, double y) { return std::vector<QVViewGL::Touch>{{x, y, view}}; };
  double lastLook = RunLoop::main().now();
  while (running && !(playback && playback->failed())) {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
      switch (event.type) {
        case SDL_QUIT:
          running = false;
          break;
        case SDL_MOUSEBUTTONDOWN:
          if (event.button.button == SDL_BUTTON_LEFT)
            view->touchesBegan(touches(event.button.x, event.button.y));
          break;
        case SDL_MOUSEMOTION:
          if (event.motion.state & SDL_BUTTON_LMASK)
            view->touchesMoved(touches(event.motion.x, event.motion.y));
          break;
        case SDL_MOUSEBUTTONUP:
          if (event.button.button == SDL_BUTTON_LEFT)
            view->touchesEnded(touches(event.button.x, event.button.y));
          break;
        case SDL_MOUSEWHEEL: {
          int x = 0, y = 0;
          SDL_GetMouseState(&x, &y);
          view->zoom(std::pow(kZoomStep, -float(event.wheel.y)), x, y);  // away from the user zooms in
          break;
        }
        case SDL_KEYDOWN:
          switch (event.key.keysym.sym) {
            case SDLK_ESCAPE:
              running = false;
              break;
            case SDLK_PLUS:
            case SDLK_EQUALS:
            case SDLK_KP_PLUS:
              view->zoom(1 / kZoomStep, options.width * 0.5, options.height * 0.5);
              break;
            case SDLK_MINUS:
            case SDLK_KP_MINUS:
              view->zoom(kZoomStep, options.width * 0.5, options.height * 0.5);
              break;
            case SDLK_r:
              view->resetView();
              view->setRotationX(options.yaw);
              view->setRotationY(options.pitch);
              view->setFieldOfView(options.fov);
              break;
            case SDLK_SPACE:
              if (playback) playback->asset()->pause();  // a toggle
              break;
            case SDLK_s:
              view->setStereo(!view->isStereo());
              break;
            case SDLK_m:
              view->setViewMode(nextViewMode(view->viewMode()), view->viewAspect());
              std::printf("mode: %s\n", std::string(viewModeName(view->viewMode())).c_str());
              break;
            case SDLK_f:
              fullscreen = !fullscreen;
              SDL_SetWindowFullscreen(window, fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
              break;
            default:
              break;
          }
          break;
        case SDL_WINDOWEVENT:
          if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
            reportScreen(window);
            view->setFrame(QVRect{0, 0, double(event.window.data1), double(event.window.data2)});
          }
          break;
        default:
          break;
      }
      deliverClick(event, *view);
    }
    const double now = RunLoop::main().now();
    lookWithHeldKeys(*view, std::min(now - lastLook, 0.1));
    lastLook = now;
    // Rounded to the tenth shown, so a value a hair below zero reads 0.0 rather than -0.0.
    auto tenth = [](float degrees) { return std::round(double(degrees) * 10) / 10 + 0.0; };
    char text[128];
    std::snprintf(text, sizeof text, "qvview - yaw %.1f  pitch %.1f  fov %.0f", tenth(view->getRotationX()),
                  tenth(view->getRotationY()), view->fieldOfView());
    if (title != text) {
      title = text;
      SDL_SetWindowTitle(window, text);
    }
    RunLoop::main().runFor(std::min(RunLoop::main().timeToNextTimer(), 1.0 / 120));
  }
}

// Shows the options' content in the window until it is closed; the exit code.
int showInWindow(const SdlGLWindow& window, const Options& options) {
  reportScreen(window.window());
  const auto content = loadContent(options);
  if (!content) return 1;
  const bool video = content->video;
  std::optional<bool> motion = installMotion(options);
  if (!motion) return 1;
  bool haveMotion = *motion;
  if (!haveMotion) {
    if (auto pad = SdlControllerMotion::open()) {
      MotionManager::setFactory([pad] { return pad; });
      haveMotion = true;
      std::fprintf(stderr, "qvview: motion from the game controller\n");
    }
  }
  auto view = makeViewer(options, content->panorama, haveMotion);
  if (!view) return 1;  // makeViewer said why
  // A window is looked around like the web's panorama viewers: flicks coast, and the pitch levels itself
  // after a pause.
  view->setInertia(true);
  view->setAutoLevel(true, 2.5f);
  view->setLayer(window.makeLayer());
  view->layoutSubviews();
  std::shared_ptr<VideoPlayback> playback;
  if (video) {
    SdlAudioSink::install();
    playback = VideoPlayback::start(*options.file, *view, options.start, options.loop);
  }
  view->run();
  runEventLoop(window.window(), view.get(), options, playback.get());
  view->halt();
  if (!playback) return 0;
  const bool failed = playback->failed();
  playback->stopAndWait();
  if (!failed) return 0;
  std::fprintf(stderr, "qvview: %s: cannot be played\n", options.file->c_str());
  return 1;
}

}  // namespace

int runWindow(const Options& options) {
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "qvview: no display (%s); use --headless\n", SDL_GetError());
    return 1;
  }
  std::string whyNot;
  auto window = SdlGLWindow::open("qvview", options.width, options.height, &whyNot);
  if (!window) {
    std::fprintf(stderr, "qvview: cannot open a GL ES 1.1 window (%s)\n", whyNot.c_str());
    SDL_Quit();
    return 1;
  }
  int exitCode = showInWindow(*window, options);
  window.reset();
  SDL_Quit();
  return exitCode;
}
