// qvview: the viewer people run first. A panorama in a window, or rendered headless to PNG files.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "apps/qvview/Options.h"
#include "apps/qvview/Viewer.h"

int main(int argc, char** argv) {
  std::string error;
  auto options = parseOptions(argc, argv, &error);
  if (!options) {
    std::fprintf(stderr, "qvview: %s\n%s", error.c_str(), usage().c_str());
    return 2;
  }
  if (options->help) {
    std::printf("%s", usage().c_str());
    return 0;
  }
  if (options->version) {
    std::printf("%s", versionText().c_str());
    return 0;
  }
  return options->headless ? runHeadless(*options) : runWindow(*options);
}
