// Decoding clips to BGRA: the kit's player (decoder thread, frame queue, video output converting into
// pooled pixel buffers) against `ffmpeg -i F -vf format=bgra -f null -` on the same clip, in the same run,
// alternating, best of two rounds each. Prints frames per second and the ratio. The clips (BenchClip.h): a
// 3840x1920 H.264 one and a 5760x2880 HEVC one as consumer 360 cameras record.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "bench/BenchClip.h"

#include "qv/os/av/Player.h"
#include "qv/os/av/PlayerItem.h"
#include "qv/os/av/PlayerItemVideoOutput.h"
#include "qv/os/av/StreamAsset.h"

using namespace qv;

namespace {

const BenchClip kClips[] = {kClip4KDecode, kClip5K7};

double seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Frames per second through the video output. The player stays paused: the decoder thread fills its
// queue as fast as it can and every frame is asked for by its own time, so none is skipped.
double runKit(const BenchClip& clip, int* frames) {
  auto start = std::chrono::steady_clock::now();
  auto item = PlayerItem::create(StreamAsset::create(clip.file));
  auto player = Player::create(item);
  auto output = PlayerItemVideoOutput::create();
  item->addOutput(output);
  *frames = 0;
  uint64_t checksum = 0;
  while (*frames < clip.frames) {
    MediaTime time = MediaTime::make(*frames, 30);
    if (player->status() == Player::StatusFailed) break;
    if (!output->hasNewPixelBufferForItemTime(time)) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
      continue;
    }
    auto buffer = output->copyPixelBufferForItemTime(time);
    if (!buffer) continue;
    checksum +=
        buffer->baseAddress()[(buffer->bytesPerRow() * size_t(clip.height / 2)) + size_t(clip.width / 2) * 4];
    ++*frames;
  }
  double elapsed = seconds(start);
  std::printf("  kit:  %d frames in %.3f s (checksum %llu, skipped %llu, pool buffers %zu)\n", *frames,
              elapsed, (unsigned long long)checksum, (unsigned long long)output->framesSkipped(),
              output->bufferAllocations());
  return *frames / elapsed;
}

double runPeer(const BenchClip& clip) {
  std::string command = std::string("ffmpeg -nostdin -hide_banner -v error -i ") + clip.file +
                        " -an -vf format=bgra -f null - 2>/dev/null";
  auto start = std::chrono::steady_clock::now();
  int status = std::system(command.c_str());
  double elapsed = seconds(start);
  std::printf("  peer: %d frames in %.3f s (status %d)\n", clip.frames, elapsed, status);
  return clip.frames / elapsed;
}

}  // namespace

int main() {
  for (const BenchClip& clip : kClips) {
    if (!makeBenchClip(clip)) return 1;
    double kit = 0, peer = 0;
    for (int round = 0; round < 2; ++round) {
      int frames = 0;
      kit = std::max(kit, runKit(clip, &frames));
      if (frames != clip.frames) {
        std::fprintf(stderr, "kit decoded %d of %d frames of %s\n", frames, clip.frames, clip.file);
        return 1;
      }
      peer = std::max(peer, runPeer(clip));
    }
    std::printf("video decode to BGRA %dx%d: kit %.1f fps, ffmpeg %.1f fps, ratio %.2fx\n", clip.width,
                clip.height, kit, peer, kit / peer);
  }
  return 0;
}
