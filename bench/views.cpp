// Many perspective views cut from one panorama, as `qvview --views` does: the kit decodes a 4096x2048
// JPEG once and renders 200 views of 1280x720 (each read back to memory), against the ffmpeg command line's
// 360-degree filter on the same JPEG (its YUV path, the fast one), in the same run: once with a new
// direction every frame (sent to the filter with sendcmd, as a list of views needs; 30 frames) and once with
// one fixed view. Both sides include their decode; the costs are per view.
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "qv/core/QVObjectFactory.h"
#include "qv/os/Image.h"
#include "qv/os/OffscreenLayer.h"

using namespace qv;

namespace {

constexpr int kViews = 200;
// The filter rebuilds its tables for every new direction (most of a second a view here): fewer frames keep
// that run short, and its cost per view is the same.
constexpr int kMovingViews = 30;
const char* kJpeg = "/tmp/qvkit-bench-views.jpg";
const char* kCommands = "/tmp/qvkit-bench-views.cmd";

double since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

float yawOf(int i) {
  return float(i * 37 % 360 - 180);
}
float pitchOf(int i) {
  return float(i * 13 % 120 - 60);
}

// CPU seconds (user and system, all threads) of this process or of its finished children.
double cpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

struct Cost {
  double wall = -1, cpu = -1;  // seconds; negative when the command failed
};

Cost timeCommand(const std::string& command) {
  auto start = std::chrono::steady_clock::now();
  const double cpu = cpuSeconds(RUSAGE_CHILDREN);
  int status = std::system(command.c_str());
  if (status != 0) return {};
  return {since(start), cpuSeconds(RUSAGE_CHILDREN) - cpu};
}

}  // namespace

int main() {
  // A panorama with detail everywhere (JPEG sizes depend on it), written as a JPEG by ffmpeg.
  if (std::system("ffmpeg -v error -y -f lavfi -i testsrc2=size=4096x2048 -frames:v 1 -q:v 3 "
                  "/tmp/qvkit-bench-views.jpg") != 0)
    return 1;
  std::ofstream commands(kCommands);
  for (int i = 0; i < kMovingViews; ++i)
    commands << i / 25.0 << " v360 yaw " << yawOf(i) << ", v360 pitch " << pitchOf(i) << ";\n";
  commands.close();

  auto start = std::chrono::steady_clock::now();
  const double cpuStart = cpuSeconds(RUSAGE_SELF);
  auto image = Image::fromFile(kJpeg);
  auto view = QVObjectFactory::viewWithFrame(QVRect{0, 0, 1280, 720});
  if (!image || !view) return 1;
  view->layoutSubviews();
  view->setNavigationMode(1);
  view->setAutoLevel(false, 0);
  view->setFieldOfView(75);
  view->setImage(image);
  auto& layer = static_cast<OffscreenLayer&>(*view->layer());
  size_t checksum = 0;
  for (int i = 0; i < kViews; ++i) {
    view->setRotationX(yawOf(i));
    view->setRotationY(pitchOf(i));
    view->update();
    checksum += layer.lastFrame()[size_t(i) * 4];
  }
  const Cost kit{since(start) / kViews, (cpuSeconds(RUSAGE_SELF) - cpuStart) / kViews};

  auto input = [](int frames) {
    return std::string("ffmpeg -v error -i ") + kJpeg + " -vf loop=loop=" + std::to_string(frames - 1) +
           ":size=1,";
  };
  const std::string flat = "v360=e:flat:h_fov=111:v_fov=75:w=1280:h=720";
  const Cost moving = timeCommand(input(kMovingViews) + "sendcmd=f=" + kCommands + "," + flat +
                                  " -frames:v " + std::to_string(kMovingViews) + " -f null -");
  const Cost fixed = timeCommand(input(kViews) + flat + ":yaw=30:pitch=10 -frames:v " +
                                 std::to_string(kViews) + " -f null -");
  std::remove(kJpeg);
  std::remove(kCommands);
  if (moving.wall < 0 || fixed.wall < 0) {
    std::fprintf(stderr, "ffmpeg failed\n");
    return 1;
  }
  // Wall time, and CPU time (all threads), which a machine shared with other work distorts less.
  const char* names[] = {"wall", "cpu"};
  for (int k = 0; k < 2; ++k) {
    const double ours = k ? kit.cpu : kit.wall;
    const double perMoving = (k ? moving.cpu : moving.wall) / kMovingViews;
    const double perFixed = (k ? fixed.cpu : fixed.wall) / kViews;
    std::printf(
        "%s: %d views of 1280x720 from one 4096x2048 JPEG: kit %.1f ms/view (decode included, read back); "
        "ffmpeg v360 %.1f ms/view with a new direction per frame (sendcmd), %.1f ms/view fixed; ratios %.3fx "
        "per-direction (goal <= 0.1x), %.2fx fixed (goal <= 1.5x) [%zu]\n",
        names[k], kViews, ours * 1e3, perMoving * 1e3, perFixed * 1e3, ours / perMoving, ours / perFixed,
        checksum % 10);
  }
  return 0;
}
