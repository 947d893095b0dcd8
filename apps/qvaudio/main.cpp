// qvaudio: plays the audio of a media file through the kit's asset reader and sound producer, with SDL2
// audio as the host's sound system. The main thread is the sound thread: it requests a block, ticks the
// producer and queues what arrives, keeping about a quarter of a second queued on the device.
//
//   qvaudio FILE|URL [--track N] [--rate HZ]
#include <SDL.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "qv/media/QVAssetReader.h"
#include "qv/os/RegularFile.h"

namespace {

struct Choice {
  uint32_t track = 0;
  double rate = -1;  // negative: the track's own rate
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

// The device's queue is the sound source: every interleaved block goes straight onto it.
struct DeviceSource : QVSoundSource {
  SDL_AudioDeviceID device = 0;
  uint64_t blocks = 0;
  void ReceiveSample(QVSOUND_OUTPUT_TYPE, const uint8_t* bytes, float, uint32_t count) override {
    SDL_QueueAudio(device, bytes, count);
    ++blocks;
  }
};

std::string toURL(const std::string& argument) {
  if (argument.find("://") != std::string::npos) return argument;
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
  std::fprintf(stderr, "usage: qvaudio FILE|URL [--track N] [--rate HZ]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string input;
  Choice choice;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--track" && i + 1 < argc) {
      choice.track = uint32_t(std::strtoul(argv[++i], nullptr, 10));
    } else if (arg == "--rate" && i + 1 < argc) {
      choice.rate = std::strtod(argv[++i], nullptr);
    } else if (input.empty() && !arg.empty() && arg[0] != '-') {
      input = arg;
    } else {
      return usage();
    }
  }
  if (input.empty()) return usage();
  if (!std::filesystem::exists(input) && input.find("://") == std::string::npos) {
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
    std::fprintf(stderr, "qvaudio: %s has no audio track %u\n", input.c_str(), choice.track);
    reader->cleanup();
    return 1;
  }
  QVReaderOptions table = reader->readerOptions();
  reader->buildReader(&table);
  double rate = choice.rate > 0 ? choice.rate : choice.trackRate;
  if (choice.channels == 0 || rate <= 0) {
    std::fprintf(stderr, "qvaudio: the audio format of %s is not known\n", input.c_str());
    reader->cleanup();
    return 1;
  }

  if (SDL_Init(SDL_INIT_AUDIO) != 0) {
    std::fprintf(stderr, "qvaudio: no audio device: %s\n", SDL_GetError());
    reader->cleanup();
    return 3;
  }
  SDL_AudioSpec want{};
  want.freq = int(rate);
  want.format = AUDIO_S16LSB;
  want.channels = Uint8(choice.channels);
  want.samples = 4096;
  DeviceSource source;
  // No allowed changes: SDL converts our format to whatever the device takes.
  source.device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
  if (source.device == 0) {
    std::fprintf(stderr, "qvaudio: no audio device: %s\n", SDL_GetError());
    reader->cleanup();
    SDL_Quit();
    return 3;
  }
  std::printf("qvaudio: playing track %u of %s: %u channels at %.0f Hz\n", choice.track, input.c_str(),
              choice.channels, rate);
  SDL_PauseAudioDevice(source.device, 0);

  const Uint32 ahead = Uint32(rate * choice.channels * 2 / 4);  // a quarter of a second of bytes
  QVSoundProducer* producer = reader->getProducer();
  for (;;) {
    if (SDL_GetQueuedAudioSize(source.device) > ahead) {
      SDL_Delay(10);
      continue;
    }
    uint64_t before = source.blocks;
    producer->RequestSample(&source, choice.track, QVSOUND_OUTPUT_INTERLEAVED);
    producer->Tick(0);
    if (source.blocks == before) break;  // end of the track
  }
  while (SDL_GetQueuedAudioSize(source.device) > 0) SDL_Delay(20);
  SDL_CloseAudioDevice(source.device);
  SDL_Quit();
  reader->cleanup();
  return 0;
}
