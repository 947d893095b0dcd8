// One item of qvview's window playlist, shown until the user quits or moves to another item: the view
// with its on-screen display, the video's controls, and the event loop. The loop draws only when something
// changed (input, motion, the view's own animation, the display, a resize); a video's frames draw
// themselves as they arrive. Main thread; the window outlives the session.
#pragma once

#include <SDL.h>

#include <limits>
#include <memory>
#include <string>

#include "apps/qvview/Options.h"

namespace qv {
class Image;
class QVViewGL;
class SdlGLWindow;
class Timer;
}  // namespace qv
class Osd;
class OsdLayer;
class VideoPlayback;
using namespace qv;

// What carries over from one item of the playlist to the next.
struct WindowState {
  bool fullscreen = false;
  float volume = 1;  // 0..1
  bool muted = false;
  bool haveMotion = false;
  bool playlist = false;  // several files were given
};

enum class SessionEnd { Quit, Next, Previous, Failed };

class WindowSession {
 public:
  // `options.file` is the item shown.
  WindowSession(const SdlGLWindow& window, const Options& options, WindowState& state);
  ~WindowSession();
  WindowSession(const WindowSession&) = delete;
  WindowSession& operator=(const WindowSession&) = delete;

  SessionEnd run();

 private:
  bool open();
  std::string loadingLine(double now) const;
  bool checkLoading();
  void handle(const SDL_Event& event);
  void handleKey(const SDL_KeyboardEvent& key);
  void changed(bool showOsd);
  void updateOsd(double now);
  void updateTitle();
  bool animating() const;
  double secondsToWait(double now) const;
  std::string name() const;
  std::string screenshotPath() const;

  const SdlGLWindow& window_;
  const Options& options_;
  WindowState& state_;
  std::shared_ptr<Osd> osd_;
  std::shared_ptr<OsdLayer> layer_;
  std::shared_ptr<QVViewGL> view_;
  std::shared_ptr<VideoPlayback> playback_;
  std::shared_ptr<Timer> layoutLine_;  // says how a video is laid out once its asset has loaded
  std::string title_;
  bool running_ = true;
  bool loading_ = false;  // a still's full resolution is not in yet
  SessionEnd end_ = SessionEnd::Quit;
  bool dirty_ = true;                                        // draw at the next turn of the loop
  double drawAt_ = std::numeric_limits<double>::infinity();  // run-loop seconds of a draw asked for later
  double osdUntil_ = 0;                                      // run-loop seconds
  double lastDraw_ = 0, lastLook_ = 0;
  float drawnYaw_ = 0, drawnPitch_ = 0, drawnFov_ = 0;  // the camera of the last draw, degrees
  bool cameraMoved_ = false;                            // the last draw showed a camera that had moved
};
