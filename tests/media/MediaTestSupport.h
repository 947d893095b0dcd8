// Helpers for the media tests: files made with the ffmpeg command line in a temporary folder, the command
// line's own s16le decoding of them, and a sound source that keeps what it receives.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "qv/media/QVSoundSource.h"
#include "tests/support/LogCapture.h"

using namespace qv;

// A fresh temporary folder, removed with its files when the object goes.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qvmediaXXXXXX").string();
    if (char* made = mkdtemp(pattern.data())) path_ = made;
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Runs ffmpeg with `args` (quiet, overwriting); true when it succeeded.
inline bool runFFmpeg(const std::string& args) {
  return std::system(("ffmpeg -nostdin -hide_banner -v error -y " + args).c_str()) == 0;
}

// What `ffmpeg -i path <extra> -f s16le -` writes.
inline std::vector<uint8_t> commandLinePCM(const std::string& path, const std::string& extra = "") {
  std::string command = "ffmpeg -nostdin -hide_banner -v error -i '" + path + "' " + extra + " -f s16le -";
  std::vector<uint8_t> out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  uint8_t chunk[65536];
  for (size_t got; (got = fread(chunk, 1, sizeof chunk, pipe)) > 0;)
    out.insert(out.end(), chunk, chunk + got);
  pclose(pipe);
  return out;
}

// A mono 16-bit WAV of `frames` frames of a square wave whose header claims `rate` Hz, whatever that is.
inline bool writeWAV(const std::string& path, uint32_t rate, uint32_t frames) {
  auto word = [](std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(value >> (8 * i)));
  };
  std::vector<uint8_t> wav;
  const uint32_t dataBytes = frames * 2;
  for (char c : std::string("RIFF")) wav.push_back(uint8_t(c));
  word(wav, 36 + dataBytes, 4);
  for (char c : std::string("WAVEfmt ")) wav.push_back(uint8_t(c));
  word(wav, 16, 4), word(wav, 1, 2), word(wav, 1, 2), word(wav, rate, 4), word(wav, rate * 2, 4);
  word(wav, 2, 2), word(wav, 16, 2);
  for (char c : std::string("data")) wav.push_back(uint8_t(c));
  word(wav, dataBytes, 4);
  for (uint32_t i = 0; i < frames; ++i) word(wav, i / 8 % 2 ? 0x2000 : 0xE000, 2);
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(wav.data(), 1, wav.size(), file) == wav.size();
  return std::fclose(file) == 0 && written;
}

inline std::string fileURL(const std::string& path) {
  return "file://" + path;
}

// One channel of interleaved 16-bit frames.
inline std::vector<uint8_t> channelOf(const std::vector<uint8_t>& interleaved, int channels, int channel) {
  std::vector<uint8_t> out;
  const size_t frame = size_t(channels) * 2, at = size_t(channel) * 2;
  for (size_t k = 0; k + frame <= interleaved.size(); k += frame)
    out.insert(out.end(), &interleaved[k + at], &interleaved[k + at] + 2);
  return out;
}

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
