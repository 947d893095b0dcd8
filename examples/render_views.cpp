// Renders views of a panorama to PNG files without a display: one decode, one view, a PNG per direction.
// Usage: render_views PANORAMA OUT_PREFIX  (writes OUT_PREFIX-yaw0.png, -yaw90.png, -yaw180.png, -yaw270.png)
#include <cstdio>
#include <string>

#include "qv/core/QVObjectFactory.h"
#include "qv/os/Environment.h"
#include "qv/os/Image.h"
#include "qv/os/OffscreenLayer.h"

using namespace qv;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: render_views PANORAMA OUT_PREFIX\n");
    return 2;
  }
  auto panorama = Image::fromFile(argv[1]);
  if (!panorama) {
    std::fprintf(stderr, "render_views: %s: not a JPEG or PNG picture\n", argv[1]);
    return 1;
  }
  // Without a window the view draws into an OffscreenLayer, which keeps the last presented frame. The
  // screen (the device's, as the kit sees it) is the output picture.
  Environment::current().setScreen(QVRect{0, 0, 640, 360}, 1.0);
  std::string whyNot;
  auto view = QVObjectFactory::viewWithFrame(QVRect{0, 0, 640, 360}, &whyNot);
  if (!view) {
    std::fprintf(stderr, "render_views: no view: %s\n", whyNot.c_str());
    return 1;
  }
  view->layoutSubviews();
  view->setNavigationMode(NavigationMode::Touch);  // the view turns only as told, not with the device
  if (!view->setImage(panorama)) return 1;         // the kit's log says why
  view->setFieldOfView(75);                        // vertical, in degrees
  auto& layer = static_cast<OffscreenLayer&>(*view->layer());
  for (int yaw : {0, 90, 180, 270}) {
    view->setRotationX(float(yaw));  // positive yaw turns right
    view->update();                  // draws and presents one frame
    int width = 0, height = 0;
    auto pixels = layer.lastFrame(&width, &height);
    for (size_t alpha = 3; alpha < pixels.size(); alpha += 4) pixels[alpha] = 255;  // an opaque picture
    std::string path = std::string(argv[2]) + "-yaw" + std::to_string(yaw) + ".png";
    auto frame = Image::fromRGBA(width, height, std::move(pixels));
    if (!frame || !frame->writePNG(path)) {
      std::fprintf(stderr, "render_views: cannot write %s\n", path.c_str());
      return 1;
    }
    std::printf("wrote %s\n", path.c_str());
  }
  return 0;
}
