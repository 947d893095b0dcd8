// qvview in a window: SDL2 for the window, GL ES 1.1 context and input; the kit draws through its own
// framebuffer, which WindowLayer puts on the window.
#include <SDL.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "apps/qvview/Viewer.h"
#include "apps/qvview/WindowLayer.h"
#include "qv/core/QVViewGL.h"
#include "qv/core/ViewMode.h"
#include "qv/os/Environment.h"
#include "qv/os/RunLoop.h"

int runWindow(const Options& options) {
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "qvview: no display (%s); use --headless\n", SDL_GetError());
    return 1;
  }
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
  SDL_Window* window =
      SDL_CreateWindow("qvview", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, options.width,
                       options.height, SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE);
  SDL_GLContext sdlContext = window ? SDL_GL_CreateContext(window) : nullptr;
  if (!sdlContext) {
    std::fprintf(stderr, "qvview: cannot open a GL ES 1.1 window (%s)\n", SDL_GetError());
    if (window) SDL_DestroyWindow(window);
    SDL_Quit();
    return 1;
  }
  SDL_GL_MakeCurrent(window, nullptr);  // the kit makes it current around its own GL work
  auto context = std::make_shared<SdlGLContext>(window, sdlContext);
  GLContext::setFactory([context] { return context; });

  int exitCode = 0;
  {
    Environment::current().setScreen(QVRect{0, 0, double(options.width), double(options.height)}, 1.0);
    std::string error;
    auto panorama = loadPanorama(options, &error);
    if (!panorama) {
      std::fprintf(stderr, "qvview: %s\n", error.c_str());
      exitCode = 1;
    } else {
      auto view = makeViewer(options, panorama);
      view->setLayer(std::make_shared<WindowLayer>(window));
      view->layoutSubviews();
      view->run();
      bool running = true;
      while (running) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
          if (event.type == SDL_QUIT) running = false;
          if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) running = false;
          if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_s) view->setStereo(!view->isStereo);
          if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_m) {
            view->setViewMode(nextViewMode(view->_videoMode), view->_videoAspect);
            std::printf("mode: %s\n", std::string(viewModeName(view->_videoMode)).c_str());
          }
          if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
            Environment::current().setScreen(
                QVRect{0, 0, double(event.window.data1), double(event.window.data2)}, 1.0);
            view->setFrame(QVRect{0, 0, double(event.window.data1), double(event.window.data2)});
          }
        }
        RunLoop::main().runFor(std::min(RunLoop::main().timeToNextTimer(), 1.0 / 120));
      }
      view->halt();
    }
  }
  GLContext::setFactory({});
  context.reset();
  SDL_DestroyWindow(window);
  SDL_Quit();
  return exitCode;
}
