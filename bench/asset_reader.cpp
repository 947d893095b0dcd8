// Decoding a 10-minute stereo AAC file to 16-bit PCM: the kit's asset reader (through its producer, as a
// host drives it) against `ffmpeg -i F -f s16le -` of the same file, in the same run. Prints both times and
// the ratio. The file is made once into /tmp and kept for later runs.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "qv/media/QVAssetReader.h"
#include "qv/os/QVLog.h"

using namespace qv;

namespace {

const char* kFile = "/tmp/qv_bench_10min_stereo.m4a";

int selectAll(QVReaderOptions* options, void*) {
  for (uint32_t i = 0; i < options->size; ++i) options->options[i].selected = 1;
  return 0;
}

struct CountingSource : QVSoundSource {
  uint64_t bytes = 0;
  uint64_t checksum = 0;
  uint64_t blocks = 0;
  void ReceiveSample(QVSOUND_OUTPUT_TYPE, const uint8_t* data, float, uint32_t count) override {
    bytes += count;
    if (count) checksum += data[0] + data[count - 1];
    ++blocks;
  }
};

double seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double runKit(uint64_t* bytes) {
  auto start = std::chrono::steady_clock::now();
  auto reader = QVAssetReader::initWithURL((std::string("file://") + kFile).c_str(), selectAll, nullptr);
  reader->readMetadata();
  QVReaderOptions table = reader->readerOptions();
  reader->buildReader(&table);
  CountingSource source;
  QVSoundProducer* producer = reader->getProducer();
  for (;;) {
    uint64_t before = source.blocks;
    producer->RequestSample(&source, 0, QVSOUND_OUTPUT_INTERLEAVED);
    producer->Tick(0);
    if (source.blocks == before) break;
  }
  reader->cleanup();
  *bytes = source.bytes;
  return seconds(start);
}

double runCommandLine(uint64_t* bytes) {
  auto start = std::chrono::steady_clock::now();
  std::string command = std::string("ffmpeg -nostdin -v error -i ") + kFile + " -f s16le -";
  FILE* pipe = popen(command.c_str(), "r");
  static char chunk[1 << 16];
  size_t got;
  *bytes = 0;
  while (pipe && (got = fread(chunk, 1, sizeof chunk, pipe)) > 0) *bytes += got;
  if (pipe) pclose(pipe);
  return seconds(start);
}

}  // namespace

int main() {
  if (!std::filesystem::exists(kFile)) {
    std::printf("making %s (once)\n", kFile);
    std::string make = std::string(
                           "ffmpeg -nostdin -v error -y -f lavfi -i "
                           "'aevalsrc=0.3*sin(440*2*PI*t)+0.05*random(0)|0.3*sin(660*2*PI*t)+0.05*random(1)"
                           ":s=44100:d=600' -c:a aac -b:a 160k ") +
                       kFile + ".part.m4a && mv " + kFile + ".part.m4a " + kFile;
    if (std::system(make.c_str()) != 0) {
      std::fprintf(stderr, "cannot make %s\n", kFile);
      return 1;
    }
  }
  // The reader logs "EMPTY" once per run at the end of the track: expected, so kept out of the output.
  QVLogSetSink([](std::string_view) {});
  double best[2] = {1e9, 1e9};
  uint64_t kitBytes = 0, peerBytes = 0;
  for (int round = 0; round < 3; ++round) {
    best[0] = std::min(best[0], runKit(&kitBytes));
    best[1] = std::min(best[1], runCommandLine(&peerBytes));
  }
  std::printf(
      "asset reader: %.3f s (%llu bytes)\nffmpeg -f s16le: %.3f s (%llu bytes)\nratio kit/peer: %.2fx\n",
      best[0], (unsigned long long)kitBytes, best[1], (unsigned long long)peerBytes, best[0] / best[1]);
  return kitBytes == peerBytes ? 0 : 1;
}
