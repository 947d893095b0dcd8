#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>

#include "qv/media/QVAVFoundationProducer.h"
#include "qv/media/QVAssetReader.h"
#include "qv/os/av/Asset.h"
#include "qv/os/av/AssetReaderTrackOutput.h"
#include "qv/os/av/MutableComposition.h"
#include "tests/media/MediaTestSupport.h"

using namespace qv;

namespace {

// Every file is a second long; each channel carries its own tone so that a channel mix-up shows.
std::string tones(int channels, int rate) {
  std::string expressions;
  for (int c = 0; c < channels; ++c) {
    if (c) expressions += "|";
    expressions += "0.3*sin(" + std::to_string(300 + 110 * c) + "*2*PI*t)";
  }
  return "-f lavfi -i 'aevalsrc=" + expressions + ":s=" + std::to_string(rate) + ":d=1' ";
}

struct FileCase {
  const char* name;
  const char* codec;
  int channels;
  int rate;
};

void PrintTo(const FileCase& f, std::ostream* os) {
  *os << f.name;
}

const FileCase kFiles[] = {
    {"mono22050.wav", "pcm_s16le", 1, 22050},   {"stereo44100.wav", "pcm_s16le", 2, 44100},
    {"six48000.wav", "pcm_s16le", 6, 48000},    {"mono32000.m4a", "aac", 1, 32000},
    {"stereo44100.m4a", "aac", 2, 44100},       {"six48000.m4a", "aac", 6, 48000},
    {"mono22050.mp3", "libmp3lame", 1, 22050},  {"stereo44100.mp3", "libmp3lame", 2, 44100},
    {"stereo48000.ogg", "libvorbis", 2, 48000}, {"six44100.ogg", "libvorbis", 6, 44100},
};

// The generated files, made once for the whole program.
class Files {
 public:
  static Files& get() {
    static Files files;
    return files;
  }
  std::string path(const std::string& name) const { return dir.path() + "/" + name; }
  bool ok = true;

 private:
  Files() {
    for (const FileCase& f : kFiles) {
      ok = ok && runFFmpeg(tones(f.channels, f.rate) + "-c:a " + f.codec + " '" + path(f.name) + "'");
    }
    ok = ok && runFFmpeg("-f lavfi -i testsrc=d=0.2:s=32x32:r=10 -c:v mpeg4 '" + path("video.mp4") + "'");
  }
  TempDir dir;
};

int selectAll(QVReaderOptions* options, void*) {
  for (uint32_t i = 0; i < options->size; ++i) options->options[i].selected = 1;
  return 0;
}

// Selection given through the context: track index -> the rate to decode it at (negative keeps the record's).
int selectSome(QVReaderOptions* options, void* target) {
  auto& wanted = *static_cast<std::map<uint32_t, double>*>(target);
  for (uint32_t i = 0; i < options->size; ++i) {
    auto found = wanted.find(options->options[i].trackIndex);
    if (found == wanted.end()) continue;
    options->options[i].selected = 1;
    if (found->second >= 0) options->options[i].sampleRate = found->second;
  }
  return 0;
}

std::shared_ptr<QVAssetReader> openReader(const std::string& path,
                                          QVAssetReader::OptionsSink sink = selectAll,
                                          void* target = nullptr) {
  auto reader = QVAssetReader::initWithURL(fileURL(path).c_str(), sink, target);
  reader->readMetadata();
  QVReaderOptions table = reader->readerOptions();
  reader->buildReader(&table);
  return reader;
}

struct Decoded {
  CollectingSource interleaved, first, second;
};

// Requests all three forms of `track` every tick until a tick brings nothing.
Decoded decodeAll(QVAssetReader& reader, uint32_t track) {
  Decoded out;
  QVSoundProducer* producer = reader.getProducer();
  for (;;) {
    size_t before = out.interleaved.bytes.size() + out.interleaved.types.size();
    producer->RequestSample(&out.interleaved, track, QVSOUND_OUTPUT_INTERLEAVED);
    producer->RequestSample(&out.first, track, QVSOUND_OUTPUT_FIRST_CHANNEL);
    producer->RequestSample(&out.second, track, QVSOUND_OUTPUT_SECOND_CHANNEL);
    producer->Tick(0.01f);
    if (out.interleaved.bytes.size() + out.interleaved.types.size() == before) break;
  }
  return out;
}

class QVAssetReaderTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(Files::get().ok); }
};

class DecodedPCMTest : public testing::TestWithParam<FileCase> {};

TEST_P(DecodedPCMTest, MatchesTheCommandLineSampleForSampleInEveryForm) {
  ASSERT_TRUE(Files::get().ok);
  const FileCase& f = GetParam();
  std::string path = Files::get().path(f.name);
  std::vector<uint8_t> reference = commandLinePCM(path);
  ASSERT_FALSE(reference.empty());

  LogCapture log(QVLogLevel::Debug);
  auto reader = openReader(path);
  ASSERT_EQ(reader->readerOptions().size, 1u);
  EXPECT_EQ(reader->readerOptions().options[0].channelsPerFrame, uint32_t(f.channels));
  Decoded d = decodeAll(*reader, 0);

  EXPECT_TRUE(d.interleaved.bytes == reference)
      << d.interleaved.bytes.size() << " bytes vs " << reference.size();
  EXPECT_TRUE(d.first.bytes == channelOf(reference, f.channels, 0));
  EXPECT_TRUE(d.second.bytes == channelOf(reference, f.channels, f.channels > 1 ? 1 : 0));
  for (float rate : d.interleaved.rates) ASSERT_EQ(rate, float(f.rate));
  // The one tick after the end finds no data: one "EMPTY", nothing delivered; later reads log it again.
  EXPECT_EQ(log.count("EMPTY"), 1u);
  EXPECT_EQ(log.lines.size(), 1u);
  reader->getProducer()->RequestSample(&d.interleaved, 0, QVSOUND_OUTPUT_INTERLEAVED);
  reader->getProducer()->Tick(0);
  EXPECT_EQ(log.count("EMPTY"), 2u);
  reader->cleanup();
  EXPECT_EQ(reader->readerOptions().size, 0u);
  EXPECT_EQ(reader->readerOptions().options, nullptr);
}

INSTANTIATE_TEST_SUITE_P(GeneratedFiles, DecodedPCMTest, testing::ValuesIn(kFiles),
                         [](const testing::TestParamInfo<FileCase>& info) {
                           std::string name = info.param.name;
                           for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

TEST_F(QVAssetReaderTest, RecordRateChoosesTheOutputRateAndZeroKeepsTheDecoders) {
  std::string path = Files::get().path("stereo44100.m4a");

  std::map<uint32_t, double> resample{{0, 48000.0}};
  auto reader = openReader(path, selectSome, &resample);
  Decoded d = decodeAll(*reader, 0);
  reader->cleanup();
  std::vector<uint8_t> reference = commandLinePCM(path, "-ar 48000");
  ASSERT_FALSE(d.interleaved.rates.empty());
  EXPECT_EQ(d.interleaved.rates.front(), 48000.0f);
  // Both go through the same resampler with its default settings: allow a rounding step per sample.
  ASSERT_EQ(d.interleaved.bytes.size(), reference.size());
  int worst = 0;
  for (size_t k = 0; k + 1 < reference.size(); k += 2) {
    int16_t a, b;
    std::memcpy(&a, &d.interleaved.bytes[k], 2);
    std::memcpy(&b, &reference[k], 2);
    worst = std::max(worst, std::abs(a - b));
  }
  EXPECT_LE(worst, 1);

  std::map<uint32_t, double> decoderRate{{0, 0.0}};
  reader = openReader(path, selectSome, &decoderRate);
  d = decodeAll(*reader, 0);
  reader->cleanup();
  ASSERT_FALSE(d.interleaved.rates.empty());
  EXPECT_EQ(d.interleaved.rates.front(), 44100.0f);
  EXPECT_TRUE(d.interleaved.bytes == commandLinePCM(path));
}

TEST_F(QVAssetReaderTest, UnreadableSourcesGiveAnEmptyTableAndOneReason) {
  struct Case {
    const char* url;      // nullptr: no URL at all
    const char* logLine;  // prefix of the one line expected
  };
  std::string missing = fileURL(Files::get().path("missing.wav"));
  std::string barePath = Files::get().path("stereo44100.wav");
  const Case cases[] = {
      {nullptr, "QVAssetReader: no URL"},
      {"not a url", "QVAssetReader: not a URL: \"not a url\""},
      {barePath.c_str(), "QVAssetReader: cannot read the asset: "},
      {missing.c_str(), "QVAssetReader: cannot read the asset: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url ? c.url : "(null)");
    LogCapture log;
    auto reader = QVAssetReader::initWithURL(c.url, selectAll, nullptr);
    reader->readMetadata();
    QVReaderOptions table = reader->readerOptions();
    EXPECT_EQ(table.size, 0u);
    EXPECT_TRUE(reader->buildReader(&table));
    CollectingSource source;
    reader->getProducer()->RequestSample(&source, 0, QVSOUND_OUTPUT_INTERLEAVED);
    reader->getProducer()->Tick(0);
    EXPECT_TRUE(reader->nextFrame());
    EXPECT_TRUE(source.types.empty());
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0].rfind(c.logLine, 0), 0u) << log.lines[0];
    reader->cleanup();
  }
}

// PCM cut mid-frame: exactly the whole frames before the cut, then empty.
TEST_F(QVAssetReaderTest, ATruncatedFileDeliversWhatIsThereThenEmpty) {
  TempDir dir;
  std::string from = Files::get().path("stereo44100.wav"), cut = dir.path() + "/cut.wav";
  std::filesystem::copy_file(from, cut);
  std::filesystem::resize_file(cut, std::filesystem::file_size(from) / 2 + 1);
  std::vector<uint8_t> full = commandLinePCM(from);
  LogCapture log(QVLogLevel::Debug);
  auto reader = openReader(cut);
  Decoded d = decodeAll(*reader, 0);
  reader->cleanup();
  ASSERT_GT(d.interleaved.bytes.size(), 0u);
  EXPECT_LT(d.interleaved.bytes.size(), full.size());
  EXPECT_TRUE(std::equal(d.interleaved.bytes.begin(), d.interleaved.bytes.end(), full.begin()));
  EXPECT_EQ(log.count("EMPTY"), 1u);
}

TEST_F(QVAssetReaderTest, CompositionReadsSelectedTracksInRecordOrderToTheirOwnSources) {
  const std::string names[] = {"stereo44100.wav", "mono22050.mp3", "six48000.ogg"};
  std::vector<std::shared_ptr<Asset>> assets;
  for (const auto& name : {names[0], names[1], std::string("video.mp4"), std::string("six44100.ogg")}) {
    assets.push_back(Asset::URLAsset(*URL::URLWithString(fileURL(Files::get().path(name)))));
  }
  std::map<uint32_t, double> wanted{{0, -1}, {1, -1}};  // the third audio track stays unselected
  LogCapture log;
  auto reader = QVAssetReader::initWithAssets(assets, selectSome, &wanted);
  ASSERT_EQ(reader->audioTracks().size(), 3u);
  EXPECT_EQ(reader->videoTracks().size(), 1u);
  reader->readMetadata();
  QVReaderOptions table = reader->readerOptions();
  reader->buildReader(&table);
  EXPECT_EQ(table.options[1].channelsPerFrame, 1u);
  EXPECT_EQ(table.options[1].sampleRate, 22050.0);
  EXPECT_EQ(table.options[2].output, nullptr);

  CollectingSource a, b, c;
  QVSoundProducer* producer = reader->getProducer();
  producer->RequestSample(&a, 0, QVSOUND_OUTPUT_SECOND_CHANNEL);
  producer->RequestSample(&b, 1, QVSOUND_OUTPUT_INTERLEAVED);
  producer->RequestSample(&c, 2, QVSOUND_OUTPUT_INTERLEAVED);
  producer->Tick(0);
  std::vector<uint8_t> right = channelOf(commandLinePCM(Files::get().path(names[0])), 2, 1);
  std::vector<uint8_t> mono = commandLinePCM(Files::get().path(names[1]));
  ASSERT_EQ(a.types.size(), 1u);
  ASSERT_EQ(b.types.size(), 1u);
  EXPECT_TRUE(c.types.empty());
  EXPECT_EQ(b.rates[0], 22050.0f);
  EXPECT_TRUE(std::equal(a.bytes.begin(), a.bytes.end(), right.begin()));
  EXPECT_TRUE(std::equal(b.bytes.begin(), b.bytes.end(), mono.begin()));
  EXPECT_TRUE(log.lines.empty());
  reader->cleanup();
}

TEST_F(QVAssetReaderTest, AFailedInsertionIsLoggedAndItsTrackReadsNothing) {
  auto hollow = MutableComposition::composition();
  hollow->addMutableTrack(MediaType::Audio, 0);  // an audio track with no media in it
  std::vector<std::shared_ptr<Asset>> assets{
      hollow, Asset::URLAsset(*URL::URLWithString(fileURL(Files::get().path("stereo44100.wav"))))};
  LogCapture log(QVLogLevel::Debug);
  auto reader = QVAssetReader::initWithAssets(assets, selectAll, nullptr);
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_EQ(
      log.lines[0],
      "Error - Error Domain=AVFoundationErrorDomain Code=-11800 \"the source track has no media data\"");
  ASSERT_EQ(reader->readerOptions().size, 2u);
  QVTrackOption blank{};
  blank.kind = 1;
  EXPECT_EQ(std::memcmp(&reader->readerOptions().options[0], &blank, sizeof blank), 0);

  reader->readMetadata();
  QVReaderOptions table = reader->readerOptions();
  EXPECT_TRUE(reader->buildReader(&table));
  ASSERT_EQ(log.lines.size(), 2u);
  EXPECT_EQ(log.lines[1].rfind("QVAssetReader: cannot start reading: ", 0), 0u) << log.lines[1];

  CollectingSource first, second;
  reader->getProducer()->RequestSample(&first, 0, QVSOUND_OUTPUT_INTERLEAVED);
  reader->getProducer()->RequestSample(&second, 1, QVSOUND_OUTPUT_INTERLEAVED);
  reader->getProducer()->Tick(0);
  EXPECT_TRUE(first.types.empty());
  EXPECT_EQ(second.types.size(), 1u);
  EXPECT_EQ(log.count("EMPTY"), 1u);
  reader->cleanup();
}

}  // namespace
