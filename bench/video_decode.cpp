// Decoding a 3840x1920 H.264 clip to BGRA: the kit's player (decoder thread, frame queue, video output
// converting into pooled pixel buffers) against `ffmpeg -i F -vf format=bgra -f null -` on the same clip,
// in the same run, alternating, best of two rounds each. Prints frames per second and the ratio. The
// clip is made once into /tmp and kept for later runs.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "qv/os/av/Player.h"
#include "qv/os/av/PlayerItem.h"
#include "qv/os/av/PlayerItemVideoOutput.h"
#include "qv/os/av/StreamAsset.h"

using namespace qv;

namespace {

const char* kFile = "/tmp/qv_bench_3840x1920_h264.mp4";
constexpr int kFrames = 240;  // 8 s at 30 fps

double seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Frames per second through the video output. The player stays paused: the decoder thread fills its
// queue as fast as it can and every frame is asked for by its own time, so none is skipped.
double runKit(int* frames) {
  auto start = std::chrono::steady_clock::now();
  auto item = PlayerItem::create(StreamAsset::create(kFile));
  auto player = Player::create(item);
  auto output = PlayerItemVideoOutput::create();
  item->addOutput(output);
  *frames = 0;
  uint64_t checksum = 0;
  while (*frames < kFrames) {
    MediaTime time = MediaTime::make(*frames, 30);
    if (player->status() == Player::StatusFailed) break;
    if (!output->hasNewPixelBufferForItemTime(time)) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
      continue;
    }
    auto buffer = output->copyPixelBufferForItemTime(time);
    if (!buffer) continue;
    checksum += buffer->baseAddress()[(buffer->bytesPerRow() * 960) + 1920 * 4];
    ++*frames;
  }
  double elapsed = seconds(start);
  std::printf("  kit:  %d frames in %.3f s (checksum %llu, skipped %llu, pool buffers %zu)\n", *frames,
              elapsed, (unsigned long long)checksum, (unsigned long long)output->framesSkipped(),
              output->bufferAllocations());
  return *frames / elapsed;
}

double runPeer() {
  std::string command = std::string("ffmpeg -nostdin -hide_banner -v error -i ") + kFile +
                        " -vf format=bgra -f null - 2>/dev/null";
  auto start = std::chrono::steady_clock::now();
  int status = std::system(command.c_str());
  double elapsed = seconds(start);
  std::printf("  peer: %d frames in %.3f s (status %d)\n", kFrames, elapsed, status);
  return kFrames / elapsed;
}

}  // namespace

int main() {
  if (!std::filesystem::exists(kFile)) {
    std::printf("making %s ...\n", kFile);
    std::string make =
        std::string("ffmpeg -nostdin -hide_banner -v error -y -f lavfi -i testsrc2=size=3840x1920:rate=30 ") +
        "-frames:v " + std::to_string(kFrames) + " -c:v libx264 -preset veryfast -pix_fmt yuv420p -g 60 " +
        kFile;
    if (std::system(make.c_str()) != 0) {
      std::fprintf(stderr, "could not make the clip\n");
      return 1;
    }
  }
  double kit = 0, peer = 0;
  for (int round = 0; round < 2; ++round) {
    int frames = 0;
    kit = std::max(kit, runKit(&frames));
    if (frames != kFrames) {
      std::fprintf(stderr, "kit decoded %d of %d frames\n", frames, kFrames);
      return 1;
    }
    peer = std::max(peer, runPeer());
  }
  std::printf("video decode to BGRA 3840x1920: kit %.1f fps, ffmpeg %.1f fps, ratio %.2fx\n", kit, peer,
              kit / peer);
  return 0;
}
