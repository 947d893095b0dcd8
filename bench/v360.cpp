// 300 headless frames at 1280x720 from a 4096x2048 equirectangular image, a new view direction every frame,
// read back to memory, against the ffmpeg command line's 360-degree filter converting the same image to
// flat 1280x720 views (the image decoded once and looped, the output discarded), in the same run.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "qv/core/QVObjectFactory.h"
#include "qv/os/Image.h"
#include "qv/os/OffscreenLayer.h"

using namespace qv;

namespace {

constexpr int kFrames = 300;
const char* kPath = "/tmp/qvkit-bench-v360.png";

double since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
  std::vector<uint8_t> rgba(size_t(4096) * 2048 * 4);
  for (size_t i = 0; i < rgba.size(); i += 4) {
    size_t p = i / 4;
    rgba[i] = uint8_t(p % 4096 / 16), rgba[i + 1] = uint8_t(p / 4096 / 8),
    rgba[i + 2] = uint8_t((p * 7) >> 3);
    rgba[i + 3] = 255;
  }
  auto image = Image::fromRGBA(4096, 2048, std::move(rgba));
  if (!image || !image->writePNG(kPath)) return 1;

  auto view = QVObjectFactory::viewWithFrame(QVRect{0, 0, 1280, 720});
  view->layoutSubviews();
  view->setNavigationMode(1);
  view->setAutoLevel(false, 0);
  view->setFieldOfView(75);
  view->setImage(image);
  view->update();
  auto& layer = static_cast<OffscreenLayer&>(*view->layer());

  auto start = std::chrono::steady_clock::now();
  size_t checksum = 0;
  for (int i = 0; i < kFrames; ++i) {
    view->setRotationX(float(i * 11 % 360));
    view->setRotationY(float(i % 60 - 30));
    view->update();
    checksum += layer.lastFrame()[size_t(i) * 4];
  }
  double kit = since(start) / kFrames;

  std::string command = std::string("ffmpeg -v error -i ") + kPath +
                        " -vf loop=loop=" + std::to_string(kFrames - 1) +
                        ":size=1,v360=e:flat:yaw=30:pitch=10:h_fov=111:v_fov=75:w=1280:h=720 -f null -";
  start = std::chrono::steady_clock::now();
  int status = std::system(command.c_str());
  double peer = since(start) / kFrames;
  std::remove(kPath);
  if (status != 0) {
    std::fprintf(stderr, "ffmpeg failed (%d)\n", status);
    return 1;
  }
  std::printf(
      "300 views of a 4096x2048 panorama at 1280x720: kit %.1f ms/frame (rendered and read back), "
      "ffmpeg v360 %.1f ms/frame, ratio %.2fx (goal < 1.0x) [%zu]\n",
      kit * 1e3, peer * 1e3, kit / peer, checksum % 10);
  return 0;
}
