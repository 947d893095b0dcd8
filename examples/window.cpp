// A panorama in an SDL2 window: drag to look around, the mouse wheel zooms, Esc or closing the window
// quits; the title shows the view direction. Usage: window PANORAMA
// [readme]
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "qv/core/QVObjectFactory.h"
#include "qv/os/Environment.h"
#include "qv/os/Image.h"
#include "qv/os/RunLoop.h"
#include "qv/sdl/SdlGLWindow.h"

using namespace qv;

// Shows the panorama until the window is closed: SDL's mouse events become the view's touches.
void runView(SdlGLWindow& window, const char* panorama) {
  Environment::current().setScreen(QVRect{0, 0, 960, 540}, 1.0);  // the window is the kit's screen
  auto view = QVObjectFactory::viewWithFrame(QVRect{0, 0, 960, 540});
  view->setLayer(window.makeLayer());  // the view's frames go to the window
  view->layoutSubviews();
  view->setNavigationMode(NavigationMode::Touch);  // drags turn the view, not the device's sensors
  view->setImage(Image::fromFile(panorama));
  view->run();  // the frame timer, on the main run loop
  auto touch = [&](int x, int y) { return std::vector<QVViewGL::Touch>{{double(x), double(y), view.get()}}; };
  for (bool open = true; open;) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
      if (e.type == SDL_QUIT || (e.type == SDL_KEYDOWN && e.key.keysym.sym == SDLK_ESCAPE)) open = false;
      if (e.type == SDL_MOUSEBUTTONDOWN) view->touchesBegan(touch(e.button.x, e.button.y));
      if (e.type == SDL_MOUSEMOTION && e.motion.state) view->touchesMoved(touch(e.motion.x, e.motion.y));
      if (e.type == SDL_MOUSEBUTTONUP) view->touchesEnded(touch(e.button.x, e.button.y));
      if (e.type == SDL_MOUSEWHEEL)  // the field of view is vertical, in degrees
        view->setFieldOfView(std::clamp(view->fieldOfView() - 5.0f * float(e.wheel.y), 20.0f, 120.0f));
      if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        QVRect size{0, 0, double(e.window.data1), double(e.window.data2)};
        Environment::current().setScreen(size, 1.0);
        view->setFrame(size);
      }
    }
    char title[96];
    std::snprintf(title, sizeof title, "window - yaw %.1f pitch %.1f fov %.0f", view->getRotationX(),
                  view->getRotationY(), view->fieldOfView());
    SDL_SetWindowTitle(window.window(), title);
    RunLoop::main().runFor(1.0 / 120);  // draws the frames that are due
  }
  view->halt();
}

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: window PANORAMA\n");
    return 2;
  }
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "window: no display (%s)\n", SDL_GetError());
    return 1;
  }
  std::string whyNot;
  auto window = SdlGLWindow::open("window", 960, 540, &whyNot);
  if (!window) std::fprintf(stderr, "window: no GL ES 1.1 window (%s)\n", whyNot.c_str());
  if (window) runView(*window, argv[1]);
  const bool shown = window != nullptr;
  window.reset();  // after the view: closing the window takes its GL context back from the kit
  SDL_Quit();
  return shown ? 0 : 1;
}
// [readme-end]
