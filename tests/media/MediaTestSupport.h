// Helpers for the media tests: audio files made with the ffmpeg command line in a temporary folder, the
// command line's own s16le decoding of them, a sound source that keeps what it receives, and a log capture.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "qv/media/QVSoundSource.h"
#include "qv/os/QVLog.h"

// A fresh temporary folder, removed with its files when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Runs ffmpeg with `args` (quiet, overwriting); true when it succeeded.
bool runFFmpeg(const std::string& args);
// What `ffmpeg -i path <extra> -f s16le -` writes.
std::vector<uint8_t> commandLinePCM(const std::string& path, const std::string& extra = "");
std::string fileURL(const std::string& path);
// One channel of interleaved 16-bit frames.
std::vector<uint8_t> channelOf(const std::vector<uint8_t>& interleaved, int channels, int channel);

struct CollectingSource : QVSoundSource {
  std::vector<uint8_t> bytes;
  std::vector<float> rates;
  std::vector<QVSOUND_OUTPUT_TYPE> types;
  void ReceiveSample(QVSOUND_OUTPUT_TYPE type, const uint8_t* data, float rate, uint32_t count) override {
    bytes.insert(bytes.end(), data, data + count);
    rates.push_back(rate);
    types.push_back(type);
  }
};

// Sends the log to `lines` while alive.
class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  std::vector<std::string> lines;
  size_t count(std::string_view line) const;
};

inline TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "qvmediaXXXXXX").string();
  if (char* made = mkdtemp(pattern.data())) path_ = made;
}

inline TempDir::~TempDir() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

inline bool runFFmpeg(const std::string& args) {
  std::string command = "ffmpeg -nostdin -hide_banner -v error -y " + args;
  return std::system(command.c_str()) == 0;
}

inline std::vector<uint8_t> commandLinePCM(const std::string& path, const std::string& extra) {
  std::string command = "ffmpeg -nostdin -hide_banner -v error -i '" + path + "' " + extra + " -f s16le -";
  std::vector<uint8_t> out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  uint8_t chunk[65536];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, pipe)) > 0) out.insert(out.end(), chunk, chunk + got);
  pclose(pipe);
  return out;
}

inline std::string fileURL(const std::string& path) {
  return "file://" + path;
}

inline std::vector<uint8_t> channelOf(const std::vector<uint8_t>& interleaved, int channels, int channel) {
  std::vector<uint8_t> out;
  size_t frame = size_t(channels) * 2;
  for (size_t k = 0; k + frame <= interleaved.size(); k += frame) {
    out.push_back(interleaved[k + size_t(channel) * 2]);
    out.push_back(interleaved[k + size_t(channel) * 2 + 1]);
  }
  return out;
}

inline LogCapture::LogCapture() {
  QVLogSetSink([this](std::string_view line) { lines.emplace_back(line); });
}

inline LogCapture::~LogCapture() {
  QVLogSetSink({});
}

inline size_t LogCapture::count(std::string_view line) const {
  return size_t(std::count(lines.begin(), lines.end(), line));
}
