// The clips the video benchmarks play: test patterns made by the ffmpeg command line once into /tmp and
// kept between runs (a 5.7K HEVC clip takes minutes to encode on two cores). Header only: every bench/*.cpp
// is a program of its own.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

struct BenchClip {
  const char* file;
  int width, height;
  int frames;           // at 30 fps
  const char* encoder;  // ffmpeg's options making the video
  bool sound;           // a 440 Hz tone as AAC beside the video
};

// 8 s of 3840x1920 H.264, as fast to decode as the kit's player allows.
inline constexpr BenchClip kClip4KDecode{"/tmp/qv_bench_3840x1920_h264.mp4", 3840, 1920, 240,
                                         "-c:v libx264 -preset veryfast",    false};
// 25 s of 3840x1920 H.264 with sound, for playback in real time.
inline constexpr BenchClip kClip4KPlayback{"/tmp/qv_bench_3840x1920_30fps_25s.mp4", 3840, 1920, 750,
                                           "-c:v libx264 -preset ultrafast",        true};
// 10 s of 5760x2880 HEVC with sound, as consumer 360 cameras record.
inline constexpr BenchClip kClip5K7{"/tmp/qv_bench_5760x2880_hevc_10s.mp4",
                                    5760,
                                    2880,
                                    300,
                                    "-c:v libx265 -preset ultrafast -x265-params log-level=error -tag:v hvc1",
                                    true};

// Makes the clip unless it is there already; false (with a line on stderr) when ffmpeg fails.
inline bool makeBenchClip(const BenchClip& clip) {
  if (std::filesystem::exists(clip.file)) return true;
  std::printf("making %s ...\n", clip.file);
  std::fflush(stdout);
  const std::string seconds = std::to_string(clip.frames / 30.0);
  std::string make =
      "ffmpeg -nostdin -hide_banner -v error -y -f lavfi -i testsrc2=size=" + std::to_string(clip.width) +
      "x" + std::to_string(clip.height) + ":rate=30 ";
  if (clip.sound) make += "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=" + seconds + " ";
  make += "-frames:v " + std::to_string(clip.frames) + " " + clip.encoder + " -pix_fmt yuv420p -g 60 ";
  if (clip.sound) make += "-c:a aac ";
  // Written under a temporary name, so an interrupted run leaves no half clip behind.
  const std::string partial = std::string(clip.file) + ".part.mp4";
  make += "'" + partial + "'";
  if (std::system(make.c_str()) != 0) {
    std::filesystem::remove(partial);
    std::fprintf(stderr, "could not make %s\n", clip.file);
    return false;
  }
  std::filesystem::rename(partial, clip.file);
  return true;
}
