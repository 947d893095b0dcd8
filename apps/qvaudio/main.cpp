// qvaudio: plays the audio of a media file through the kit's asset reader and sound producer, with SDL2
// audio as the host's sound system. The main thread is the sound thread: it requests a block, ticks the
// producer and queues what arrives, keeping about a quarter of a second queued on the device. Ctrl-C and
// SIGTERM end playback at once (exit 130 and 143): the loop polls a flag that its own handlers set.
//
//   qvaudio FILE [--track N] [--rate HZ]
#include <SDL.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "qv/media/QVAssetReader.h"
#include "qv/os/RegularFile.h"

using namespace qv;

namespace {

// Rates a sound device plays; 0 asks for the decoder's own rate.
constexpr double kLowestRate = 8000, kHighestRate = 192000;  // Hz
// SDL opens at most this many channels; more are mixed down to two.
constexpr uint32_t kMostDeviceChannels = 8;

volatile std::sig_atomic_t endingSignal = 0;

void onEndingSignal(int signal) {
  endingSignal = signal;
}

// SDL is told to leave the signals alone: its own handlers only queue a quit event, which nothing here reads.
void installSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = onEndingSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
}

struct Choice {
  uint32_t track = 0;
  double rate = -1;  // negative: the track's own rate; 0: the decoder's
  bool found = false;
  uint32_t channels = 0;
  double trackRate = 0;
};

int selectTrack(QVReaderOptions* options, void* target) {
  auto* choice = static_cast<Choice*>(target);
  for (uint32_t i = 0; i < options->size; ++i) {
    QVTrackOption& record = options->options[i];
    if (record.trackIndex != choice->track) continue;
    record.selected = 1;
    if (choice->rate >= 0) record.sampleRate = choice->rate;
    choice->found = true;
    choice->channels = record.channelsPerFrame;
    choice->trackRate = record.sampleRate;
  }
  return 0;
}

// The device's queue is the sound source: every interleaved block goes onto it, mixed down to two
// channels first when it has more than the device takes (even channels left, odd channels right).
struct DeviceSource : QVSoundSource {
  SDL_AudioDeviceID device = 0;
  uint32_t channels = 2;  // of the blocks
  bool mixDown = false;
  uint64_t blocks = 0;
  std::vector<int16_t> mixed;
  void ReceiveSample(QVSOUND_OUTPUT_TYPE, const uint8_t* bytes, float, uint32_t count) override {
    ++blocks;
    if (!mixDown) {
      SDL_QueueAudio(device, bytes, count);
      return;
    }
    size_t frames = count / (size_t(channels) * 2);
    mixed.assign(frames * 2, 0);
    for (size_t f = 0; f < frames; ++f) {
      int32_t sums[2] = {0, 0};
      for (uint32_t c = 0; c < channels; ++c) {
        int16_t sample;
        std::memcpy(&sample, bytes + (f * channels + c) * 2, 2);
        sums[c % 2] += sample;
      }
      for (int side = 0; side < 2; ++side)
        mixed[f * 2 + size_t(side)] = int16_t(sums[side] / int32_t((channels + 1 - uint32_t(side)) / 2));
    }
    SDL_QueueAudio(device, mixed.data(), Uint32(mixed.size() * 2));
  }
};

// A whole decimal number, or nothing.
bool parseCount(const char* text, uint32_t* value) {
  if (!*text || !std::isdigit(static_cast<unsigned char>(*text))) return false;
  errno = 0;
  char* end = nullptr;
  unsigned long parsed = std::strtoul(text, &end, 10);
  if (*end || errno == ERANGE || parsed > UINT32_MAX) return false;
  *value = uint32_t(parsed);
  return true;
}

// 0, or a rate in Hz that a device plays.
bool parseRate(const char* text, double* rate) {
  char* end = nullptr;
  double parsed = std::strtod(text, &end);
  if (end == text || *end || !std::isfinite(parsed)) return false;
  if (parsed != 0 && (parsed < kLowestRate || parsed > kHighestRate)) return false;
  *rate = parsed;
  return true;
}

std::string toURL(const std::string& argument) {
  std::string path = std::filesystem::absolute(argument).string();
  std::string url = "file://";
  static const char* hex = "0123456789ABCDEF";
  for (unsigned char c : path) {
    if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      url += char(c);
    } else {
      url += '%';
      url += hex[c >> 4];
      url += hex[c & 15];
    }
  }
  return url;
}

int usage() {
  std::fprintf(stderr,
               "usage: qvaudio FILE [--track N] [--rate HZ]\n"
               "  --track N   the audio track to play, from 0 (default 0)\n"
               "  --rate HZ   0 (the decoder's own rate) or %.0f to %.0f (default: the track's rate)\n",
               kLowestRate, kHighestRate);
  return 2;
}

// Ends playback for a caught signal: what is queued is dropped, the exit code is 128 + the signal.
int endBySignal(SDL_AudioDeviceID device, QVAssetReader& reader) {
  if (device) {
    SDL_ClearQueuedAudio(device);
    SDL_CloseAudioDevice(device);
  }
  SDL_Quit();
  reader.cleanup();
  return 128 + int(endingSignal);
}

}  // namespace

int main(int argc, char** argv) {
  installSignalHandlers();
  std::string input;
  Choice choice;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--track" && i + 1 < argc) {
      if (!parseCount(argv[++i], &choice.track)) {
        std::fprintf(stderr, "qvaudio: --track takes a track number from 0, not \"%s\"\n", argv[i]);
        return 2;
      }
    } else if (arg == "--rate" && i + 1 < argc) {
      if (!parseRate(argv[++i], &choice.rate)) {
        std::fprintf(
            stderr,
            "qvaudio: --rate %s cannot be played: use 0 (the decoder's own rate) or %.0f to %.0f Hz\n",
            argv[i], kLowestRate, kHighestRate);
        return 2;
      }
    } else if (input.empty() && !arg.empty() && arg[0] != '-') {
      input = arg;
    } else {
      return usage();
    }
  }
  if (input.empty()) return usage();
  if (!std::filesystem::exists(input) && input.find("://") != std::string::npos) {
    std::fprintf(stderr, "qvaudio: %s: only local files are played, not URLs\n", input.c_str());
    return 2;
  }
  if (!std::filesystem::exists(input)) {
    std::fprintf(stderr, "qvaudio: no such file: %s\n", input.c_str());
    return 1;
  }
  // The reader would wait on a FIFO or read a device for ever: only regular files are handed to it.
  std::string reason;
  if (input.find("://") == std::string::npos && !RegularFile::check(input, &reason)) {
    std::fprintf(stderr, "qvaudio: %s: %s\n", input.c_str(), reason.c_str());
    return 1;
  }

  auto reader = QVAssetReader::initWithURL(toURL(input).c_str(), selectTrack, &choice);
  reader->readMetadata();
  if (!choice.found) {
    if (!reader->loadError().empty()) {
      std::fprintf(stderr, "qvaudio: %s cannot be read: %s\n", input.c_str(), reader->loadError().c_str());
    } else if (reader->readerOptions().size == 0) {
      std::fprintf(stderr, "qvaudio: %s has no audio track\n", input.c_str());
    } else {
      std::fprintf(stderr, "qvaudio: %s has no audio track %u (its tracks are 0 to %u)\n", input.c_str(),
                   choice.track, reader->readerOptions().size - 1);
    }
    reader->cleanup();
    return 1;
  }
  QVReaderOptions table = reader->readerOptions();
  reader->buildReader(&table);
  QVSoundProducer* producer = reader->getProducer();
  DeviceSource source;
  // The first block tells the rate and channels that come out, whatever the track's description said
  // (a rate of 0 leaves it to the decoder).
  struct FirstBlock : QVSoundSource {
    std::vector<uint8_t> bytes;
    float rate = 0;
    void ReceiveSample(QVSOUND_OUTPUT_TYPE, const uint8_t* data, float blockRate, uint32_t count) override {
      bytes.assign(data, data + count);
      rate = blockRate;
    }
  } first;
  producer->RequestSample(&first, choice.track, QVSOUND_OUTPUT_INTERLEAVED);
  producer->Tick(0);
  double rate = first.rate > 0 ? first.rate : choice.trackRate;
  if (first.bytes.empty()) {
    std::fprintf(stderr, "qvaudio: track %u of %s has no sound that can be decoded\n", choice.track,
                 input.c_str());
    reader->cleanup();
    return 1;
  }
  if (choice.channels == 0 || rate <= 0) {
    std::fprintf(stderr, "qvaudio: the audio format of %s is not known\n", input.c_str());
    reader->cleanup();
    return 1;
  }
  source.channels = choice.channels;
  source.mixDown = choice.channels > kMostDeviceChannels;
  const uint32_t deviceChannels = source.mixDown ? 2 : choice.channels;
  if (endingSignal) return endBySignal(0, *reader);

  if (SDL_Init(SDL_INIT_AUDIO) != 0) {
    std::fprintf(stderr, "qvaudio: no audio device: %s\n", SDL_GetError());
    reader->cleanup();
    return 3;
  }
  SDL_AudioSpec want{};
  want.freq = int(rate);
  want.format = AUDIO_S16LSB;
  want.channels = Uint8(deviceChannels);
  // About 50 ms a period, so that the queue drains steadily at low rates too.
  want.samples = 256;
  while (want.samples < 4096 && want.samples * 20 < rate) want.samples *= 2;
  // No allowed changes: SDL converts our format to whatever the device takes.
  source.device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
  if (source.device == 0) {
    std::fprintf(stderr, "qvaudio: no audio device: %s\n", SDL_GetError());
    reader->cleanup();
    SDL_Quit();
    return 3;
  }
  std::printf("qvaudio: playing track %u of %s: %u channels%s at %.0f Hz\n", choice.track, input.c_str(),
              choice.channels, source.mixDown ? " (mixed down to 2)" : "", rate);
  std::fflush(stdout);
  source.ReceiveSample(QVSOUND_OUTPUT_INTERLEAVED, first.bytes.data(), first.rate,
                       uint32_t(first.bytes.size()));
  SDL_PauseAudioDevice(source.device, 0);

  const Uint32 ahead = Uint32(rate * deviceChannels * 2 / 4);  // a quarter of a second of bytes
  for (;;) {
    if (endingSignal) return endBySignal(source.device, *reader);
    if (SDL_GetQueuedAudioSize(source.device) > ahead) {
      SDL_Delay(10);
      continue;
    }
    uint64_t before = source.blocks;
    producer->RequestSample(&source, choice.track, QVSOUND_OUTPUT_INTERLEAVED);
    producer->Tick(0);
    if (source.blocks == before) break;  // end of the track
  }
  while (SDL_GetQueuedAudioSize(source.device) > 0) {
    if (endingSignal) return endBySignal(source.device, *reader);
    SDL_Delay(20);
  }
  SDL_CloseAudioDevice(source.device);
  SDL_Quit();
  reader->cleanup();
  return 0;
}
