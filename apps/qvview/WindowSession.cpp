#include "apps/qvview/WindowSession.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "apps/qvview/LayoutLine.h"
#include "apps/qvview/Osd.h"
#include "apps/qvview/OsdLayer.h"
#include "apps/qvview/VideoPlayback.h"
#include "apps/qvview/Viewer.h"
#include "qv/core/QVViewGL.h"
#include "qv/core/ViewMode.h"
#include "qv/os/Environment.h"
#include "qv/os/Image.h"
#include "qv/os/RunLoop.h"
#include "qv/os/TapRecognizer.h"
#include "qv/sdl/SdlGLWindow.h"

using namespace qv;

namespace {

constexpr float kZoomStep = 1.1f;           // field-of-view factor per wheel notch or key press
constexpr double kOsdSeconds = 2.0;         // how long the display stays after a change
constexpr double kFrameSeconds = 1.0 / 60;  // pacing of the view's own animation
constexpr double kAutoLevelSeconds = 2.5;   // the view levels its pitch this long after the last input
constexpr float kVolumeStep = 0.1f;

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

// Held arrow keys (without Shift, which seeks) look around at a steady rate, whatever the frame rate and
// the keyboard's repeat. True when the view turned.
bool lookWithHeldKeys(QVViewGL& view, double seconds) {
  constexpr float kDegreesPerSecond = 60;
  if (SDL_GetModState() & KMOD_SHIFT) return false;
  const Uint8* keys = SDL_GetKeyboardState(nullptr);
  const float yaw = float(keys[SDL_SCANCODE_LEFT] - keys[SDL_SCANCODE_RIGHT]);
  const float pitch = float(keys[SDL_SCANCODE_UP] - keys[SDL_SCANCODE_DOWN]);
  if (yaw == 0 && pitch == 0) return false;
  // Slower when zoomed in, so the picture moves across the window at about the same speed.
  const float rate = kDegreesPerSecond * float(seconds) * view.fieldOfView() / 75.0f;
  view.turn(yaw * rate, pitch * rate);
  return true;
}

std::string upper(std::string text) {
  for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

WindowSession::WindowSession(const SdlGLWindow& window, const Options& options, WindowState& state)
    : window_(window), options_(options), state_(state), osd_(std::make_shared<Osd>()) {}

WindowSession::~WindowSession() {
  if (view_) view_->halt();
  if (playback_) playback_->stopAndWait();
}

std::string WindowSession::name() const {
  if (!options_.file) return "test card";
  if (isURL(*options_.file)) return *options_.file;
  return std::filesystem::path(*options_.file).filename().string();
}

// Next to the file (in the current folder for the built-in panorama and URLs): NAME-shot-N.png with the
// first N not taken.
std::string WindowSession::screenshotPath() const {
  std::filesystem::path folder = ".", stem = "qvview";
  if (options_.file && !isURL(*options_.file)) {
    std::filesystem::path file(*options_.file);
    folder = file.has_parent_path() ? file.parent_path() : ".";
    stem = file.stem();
  }
  for (int n = 1;; ++n) {
    auto path = folder / (stem.string() + "-shot-" + std::to_string(n) + ".png");
    std::error_code code;
    if (!std::filesystem::exists(path, code)) return path.string();
  }
}

// The line the display shows while a still's full resolution is not in: "LOADING NAME" with an ellipsis
// that moves a step every 0.2 s.
std::string WindowSession::loadingLine(double now) const {
  return "LOADING " + upper(name()) + std::string(size_t(int(now / 0.2) % 4), '.');
}

// Called by the loop while a still loads: once the load has ended, the picture's aspect and layout line,
// or the failure's message (false).
bool WindowSession::checkLoading() {
  const ImageLoadState state = view_->imageLoadState();
  if (state != ImageLoadState::Full && state != ImageLoadState::Failed) return true;
  loading_ = false;
  if (!finishStill(*view_, options_)) return false;
  LayoutLine::settle(options_, *view_, true, view_->loadedImageInfo().panoramaMetadata);
  changed(true);
  return true;
}

bool WindowSession::open() {
  SDL_Window* window = window_.window();
  reportScreen(window);
  int width = options_.width, height = options_.height;
  SDL_GetWindowSize(window, &width, &height);
  Options sized = options_;
  sized.width = width;
  sized.height = height;
  view_ = makeViewer(sized, nullptr, state_.haveMotion);
  if (!view_) return false;  // makeViewer said why
  // A window is looked around like the web's panorama viewers: flicks coast, and the pitch levels itself
  // after a pause.
  view_->setInertia(true);
  view_->setAutoLevel(true, float(kAutoLevelSeconds));
  layer_ = std::make_shared<OsdLayer>(window_.makeLayer(), osd_);
  view_->setLayer(layer_);
  view_->layoutSubviews();
  if (VideoPlayback::isVideo(options_)) {
    std::string error;
    loadPanorama(options_, &error);  // for a video: only whether the file can be handed to the player
    if (!error.empty()) {
      std::fprintf(stderr, "qvview: %s\n", error.c_str());
      return false;
    }
    playback_ = VideoPlayback::start(*options_.file, *view_, options_.start, options_.loop);
    playback_->setVolume(state_.volume);
    playback_->setMuted(state_.muted);
    layoutLine_ = LayoutLine::start(options_, view_);
  } else if (options_.file) {
    // The window shows the preview at once and sharpens; the display says LOADING until then.
    const auto content = loadContent(options_);
    if (!content) return false;
    startStill(*view_, options_, [this] { dirty_ = true; });
    loading_ = true;
  } else {
    std::string error;
    auto panorama = loadPanorama(options_, &error);
    if (!panorama || !showPanorama(*view_, options_, panorama)) return false;
    LayoutLine::settle(options_, *view_, true, panorama->panoramaLayout().has_value());
  }
  if (!options_.file) osdUntil_ = 0;
  changed(options_.file.has_value());
  return true;
}

SessionEnd WindowSession::run() {
  if (!open()) return SessionEnd::Failed;
  lastLook_ = lastDraw_ = RunLoop::main().now();
  while (running_) {
    SDL_Event event;
    const double wait = secondsToWait(RunLoop::main().now());
    if (SDL_WaitEventTimeout(&event, int(std::ceil(wait * 1000)))) {
      do {
        handle(event);
      } while (SDL_PollEvent(&event));
    }
    if (!running_) break;
    RunLoop::main().runOnce();  // timers and what other threads posted (a video's frames draw here)
    const double now = RunLoop::main().now();
    if (lookWithHeldKeys(*view_, std::min(now - lastLook_, 0.1))) changed(false);
    lastLook_ = now;
    updateOsd(now);
    updateTitle();
    if (loading_ && !checkLoading()) return SessionEnd::Failed;
    if (playback_ && playback_->failed()) {
      std::fprintf(stderr, "qvview: %s: cannot be played\n", options_.file->c_str());
      return SessionEnd::Failed;
    }
    if (dirty_ || animating() || state_.haveMotion || now >= drawAt_) {
      if (now - lastDraw_ < kFrameSeconds && !dirty_) continue;
      view_->update();
      lastDraw_ = now;
      dirty_ = false;
      if (now >= drawAt_) drawAt_ = std::numeric_limits<double>::infinity();
      drawnYaw_ = view_->getRotationX(), drawnPitch_ = view_->getRotationY(),
      drawnFov_ = view_->fieldOfView();
    }
  }
  return end_;
}

// The view moved by itself since the last draw: a flick coasting or the pitch levelling (run-loop timers
// of the view's navigation move the camera; the camera, not the timers, says whether to draw).
bool WindowSession::animating() const {
  return view_->getRotationX() != drawnYaw_ || view_->getRotationY() != drawnPitch_ ||
         view_->fieldOfView() != drawnFov_;
}

double WindowSession::secondsToWait(double now) const {
  if (dirty_ || animating() || state_.haveMotion) return std::max(0.0, lastDraw_ + kFrameSeconds - now);
  // A video's frames and seeks reach the main queue from its threads; SDL's wait does not see them.
  double wait = playback_ ? (playback_->paused() || playback_->ended() ? 1.0 / 30 : 1.0 / 120) : 0.5;
  wait = std::min(wait, RunLoop::main().timeToNextTimer());
  wait = std::min(wait, drawAt_ - now);
  if (osd_->visible() && osdUntil_ > now) wait = std::min(wait, osdUntil_ - now);
  if (loading_) wait = std::min(wait, 0.2 - std::fmod(now, 0.2));  // the ellipsis moves
  return std::max(wait, 0.0);
}

// Something the user sees changed: draw, and show the display for a moment when asked.
void WindowSession::changed(bool showOsd) {
  dirty_ = true;
  const double now = RunLoop::main().now();
  if (showOsd) osdUntil_ = now + kOsdSeconds;
  // The view levels its pitch a while after the last input; a draw then lets it start.
  drawAt_ = now + kAutoLevelSeconds + 0.1;
}

void WindowSession::updateOsd(double now) {
  std::vector<std::string> lines;
  std::string first = upper(name());
  if (playback_) {
    first += "  " + clockText(playback_->position()) + " / " + clockText(playback_->duration());
    if (playback_->ended()) {
      first += "  ENDED";
    } else if (playback_->paused()) {
      first += "  PAUSED";
    }
  }
  lines.push_back(first);
  std::string second = "MODE " + upper(std::string(viewModeName(view_->viewMode())));
  if (view_->isStereo()) second += "  STEREO";
  if (playback_) {
    second +=
        state_.muted ? "  MUTED" : "  VOL " + std::to_string(int(std::lround(state_.volume * 100))) + "%";
  }
  lines.push_back(second);
  if (loading_) lines = {loadingLine(now)};
  const bool visible =
      loading_ || now < osdUntil_ || (playback_ && (playback_->paused() || playback_->ended()));
  std::optional<double> progress;
  if (playback_ && playback_->duration() > 0) progress = playback_->position() / playback_->duration();
  // A still's display changes only with input; a video's is drawn with its frames.
  if (visible != osd_->visible() || (visible && lines != osd_->lines() && !playback_)) dirty_ = true;
  if (visible && playback_ && (playback_->paused() || playback_->ended()) && lines != osd_->lines())
    dirty_ = true;
  osd_->setLines(std::move(lines));
  osd_->setProgress(progress);
  osd_->setVisible(visible);
}

void WindowSession::updateTitle() {
  // Rounded to the tenth shown, so a value a hair below zero reads 0.0 rather than -0.0.
  auto tenth = [](float degrees) { return std::round(double(degrees) * 10) / 10 + 0.0; };
  std::string text = "qvview - ";
  if (options_.file) text += name() + " - ";
  if (playback_) {
    text += clockText(playback_->position()) + " / " + clockText(playback_->duration()) + " " +
            (playback_->ended()    ? "ended"
             : playback_->paused() ? "paused"
                                   : "playing") +
            " - ";
  }
  char view[96];
  std::snprintf(view, sizeof view, "yaw %.1f  pitch %.1f  fov %.0f", tenth(view_->getRotationX()),
                tenth(view_->getRotationY()), view_->fieldOfView());
  text += view;
  if (loading_) text = "qvview - loading " + name();
  if (title_ != text) {
    title_ = text;
    SDL_SetWindowTitle(window_.window(), text.c_str());
  }
}

void WindowSession::handle(const SDL_Event& event) {
  auto touches = [&](double x, double y) { return std::vector<QVViewGL::Touch>{{x, y, view_.get()}}; };
  switch (event.type) {
    case SDL_QUIT:
      running_ = false;
      end_ = SessionEnd::Quit;
      break;
    case SDL_MOUSEBUTTONDOWN:
      if (event.button.button == SDL_BUTTON_LEFT)
        view_->touchesBegan(touches(event.button.x, event.button.y));
      changed(false);
      break;
    case SDL_MOUSEMOTION:
      if (event.motion.state & SDL_BUTTON_LMASK) {
        view_->touchesMoved(touches(event.motion.x, event.motion.y));
        changed(false);
      }
      break;
    case SDL_MOUSEBUTTONUP:
      if (event.button.button == SDL_BUTTON_LEFT)
        view_->touchesEnded(touches(event.button.x, event.button.y));
      changed(false);
      break;
    case SDL_MOUSEWHEEL: {
      int x = 0, y = 0;
      SDL_GetMouseState(&x, &y);
      view_->zoom(std::pow(kZoomStep, -float(event.wheel.y)), x, y);  // away from the user zooms in
      changed(false);
      break;
    }
    case SDL_KEYDOWN:
      handleKey(event.key);
      break;
    case SDL_KEYUP:
      changed(false);  // a held arrow let go: the pitch may level later
      break;
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        reportScreen(window_.window());
        view_->setFrame(QVRect{0, 0, double(event.window.data1), double(event.window.data2)});
      }
      if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED || event.window.event == SDL_WINDOWEVENT_EXPOSED)
        dirty_ = true;
      break;
    default:
      break;
  }
  deliverClick(event, *view_);
}

void WindowSession::handleKey(const SDL_KeyboardEvent& key) {
  const bool shift = key.keysym.mod & KMOD_SHIFT;
  int width = 0, height = 0;
  SDL_GetWindowSize(window_.window(), &width, &height);
  auto seek = [&](double seconds) {
    if (!playback_) return;
    playback_->seekBy(seconds);
    changed(true);
  };
  switch (key.keysym.sym) {
    case SDLK_ESCAPE:
      if (state_.fullscreen) {
        state_.fullscreen = false;
        SDL_SetWindowFullscreen(window_.window(), 0);
        dirty_ = true;
        break;
      }
      [[fallthrough]];
    case SDLK_q:
      running_ = false;
      end_ = SessionEnd::Quit;
      break;
    case SDLK_LEFT:
    case SDLK_RIGHT:
      if (shift) seek(key.keysym.sym == SDLK_RIGHT ? 5 : -5);
      break;
    case SDLK_UP:
    case SDLK_DOWN:
      if (shift) seek(key.keysym.sym == SDLK_UP ? 60 : -60);
      break;
    case SDLK_HOME:
      if (playback_) {
        playback_->seekTo(0);
        changed(true);
      }
      break;
    case SDLK_PLUS:
    case SDLK_EQUALS:
    case SDLK_KP_PLUS:
      view_->zoom(1 / kZoomStep, width * 0.5, height * 0.5);
      changed(false);
      break;
    case SDLK_MINUS:
    case SDLK_KP_MINUS:
      view_->zoom(kZoomStep, width * 0.5, height * 0.5);
      changed(false);
      break;
    case SDLK_r:
      view_->resetView();
      view_->setRotationX(options_.yaw);
      view_->setRotationY(options_.pitch);
      view_->setFieldOfView(options_.fov);
      changed(false);
      break;
    case SDLK_SPACE:
      if (playback_) {
        playback_->togglePause();
        changed(true);
      }
      break;
    case SDLK_9:
    case SDLK_0:
    case SDLK_KP_9:
    case SDLK_KP_0:
      state_.volume =
          std::clamp(state_.volume + (key.keysym.sym == SDLK_0 || key.keysym.sym == SDLK_KP_0 ? kVolumeStep
                                                                                              : -kVolumeStep),
                     0.0f, 1.0f);
      state_.volume = std::round(state_.volume * 10) / 10;
      if (playback_) playback_->setVolume(state_.volume);
      changed(true);
      break;
    case SDLK_m:
      if (shift) {
        state_.muted = !state_.muted;
        if (playback_) playback_->setMuted(state_.muted);
      } else {
        view_->setViewMode(nextViewMode(view_->viewMode()), view_->viewAspect());
        std::printf("mode: %s\n", std::string(viewModeName(view_->viewMode())).c_str());
        std::fflush(stdout);
      }
      changed(true);
      break;
    case SDLK_s:
      if (shift) {
        layer_->requestScreenshot(screenshotPath());
        dirty_ = true;
      } else {
        view_->setStereo(!view_->isStereo());
        changed(true);
      }
      break;
    case SDLK_f:
      state_.fullscreen = !state_.fullscreen;
      SDL_SetWindowFullscreen(window_.window(), state_.fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
      dirty_ = true;
      break;
    case SDLK_n:
    case SDLK_p:
    case SDLK_PERIOD:
    case SDLK_COMMA:
    case SDLK_GREATER:
    case SDLK_LESS: {
      const SDL_Keycode sym = key.keysym.sym;
      if ((sym == SDLK_PERIOD || sym == SDLK_COMMA) && !shift) break;  // only > and <
      if (!state_.playlist) break;
      running_ = false;
      end_ = sym == SDLK_n || sym == SDLK_PERIOD || sym == SDLK_GREATER ? SessionEnd::Next
                                                                        : SessionEnd::Previous;
      break;
    }
    default:
      break;
  }
}
