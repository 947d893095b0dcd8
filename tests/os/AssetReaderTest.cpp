#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "qv/os/URL.h"
#include "qv/os/av/AssetReader.h"
#include "qv/os/av/AudioTrackDecoder.h"
#include "qv/os/av/MemoryInput.h"
#include "qv/os/av/MutableComposition.h"
#include "tests/media/MediaTestSupport.h"

using namespace qv;

namespace {

class MediaReadersTest : public testing::Test {
 protected:
  void SetUp() override {
    path = dir.path() + "/tone.wav";
    ASSERT_TRUE(runFFmpeg("-f lavfi -i 'sine=d=0.5:sample_rate=16000' -ac 2 -c:a pcm_s16le '" + path + "'"));
    asset = Asset::URLAsset(*URL::URLWithString(fileURL(path)));
    ASSERT_FALSE(asset->loadError());
    ASSERT_EQ(asset->tracks().size(), 1u);
  }
  TempDir dir;
  std::string path;
  std::shared_ptr<Asset> asset;
};

TEST_F(MediaReadersTest, OutputsDecodeOnlyTo16BitInterleavedPCMAfterReadingStarts) {
  auto reader = AssetReader::assetReaderWithAsset(asset, nullptr);
  ASSERT_TRUE(reader);
  AudioOutputSettings floats;
  floats.isFloat = true;
  AssetReaderTrackOutput* refused = AssetReaderTrackOutput::create(asset->tracks()[0], {});
  AssetReaderTrackOutput* plain = AssetReaderTrackOutput::create(asset->tracks()[0], {});
  AssetReaderTrackOutput* wrong = AssetReaderTrackOutput::create(asset->tracks()[0], floats);
  reader->addOutput(plain);
  reader->addOutput(wrong);
  EXPECT_EQ(reader->outputs().size(), 2u);
  EXPECT_EQ(plain->copyNextSampleBuffer(), nullptr);  // not started yet

  EXPECT_FALSE(reader->startReading());
  EXPECT_EQ(reader->status(), AssetReader::Status::Failed);
  ASSERT_TRUE(reader->error());
  EXPECT_NE(reader->error()->description.find("16-bit"), std::string::npos);
  EXPECT_FALSE(reader->canAddOutput(refused));  // too late once reading has started
  EXPECT_EQ(wrong->copyNextSampleBuffer(), nullptr);

  // The other output still reads: 8000 frames of two 16-bit channels in all, one block per read.
  size_t frames = 0;
  while (auto block = plain->copyNextSampleBuffer()) {
    EXPECT_EQ(block->format().bytesPerFrame, 4u);
    EXPECT_EQ(block->presentationTime().value, int64_t(frames));
    AudioBuffer buffers[1];
    uint32_t count = 9;
    EXPECT_FALSE(block->audioBufferList(buffers, 0, &count));
    EXPECT_EQ(count, 0u);
    ASSERT_TRUE(block->audioBufferList(buffers, 1, &count));
    EXPECT_EQ(buffers[0].dataByteSize, block->numSamples() * 4);
    frames += block->numSamples();
  }
  EXPECT_EQ(frames, 8000u);
  plain->release();
  wrong->release();
  refused->release();
}

TEST(MediaReadersErrorsTest, UnloadableAssetsHaveNoReader) {
  TempDir dir;
  std::string junk = dir.path() + "/junk.wav";
  FILE* f = std::fopen(junk.c_str(), "wb");
  ASSERT_TRUE(f);
  std::fputs("this is not a media file at all", f);
  std::fclose(f);
  for (const std::string& url :
       {fileURL(junk), fileURL(dir.path() + "/missing.wav"), std::string("http://x/y")}) {
    auto asset = Asset::URLAsset(*URL::URLWithString(url));
    EXPECT_TRUE(asset->tracks().empty());
    ASSERT_TRUE(asset->loadError()) << url;
    AVError error;
    EXPECT_EQ(AssetReader::assetReaderWithAsset(asset, &error), nullptr);
    EXPECT_EQ(error.description, asset->loadError()->description);
  }
}

}  // namespace

namespace {

// The same bytes read from memory (as the fuzz target feeds them) decode as they do from the file.
TEST_F(MediaReadersTest, BytesInMemoryDecodeAsTheFileDoes) {
  std::vector<uint8_t> fromFile;
  AudioTrackDecoder fileDecoder(0);
  ASSERT_TRUE(fileDecoder.open(path, 0, nullptr));
  for (SampleBuffer block; fileDecoder.next(block);) {
    AudioBuffer buffer;
    uint32_t count = 0;
    ASSERT_TRUE(block.audioBufferList(&buffer, 1, &count));
    fromFile.insert(fromFile.end(), buffer.data, buffer.data + buffer.dataByteSize);
  }
  ASSERT_EQ(fromFile.size(), 16000u * 2 * 2 / 2);

  std::ifstream file(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  AVFormatContext* format = nullptr;
  ASSERT_EQ(openMemoryInput(bytes, &format), 0);
  bytes.assign(bytes.size(), 0);  // the input keeps its own copy
  std::vector<uint8_t> fromMemory;
  {
    AudioTrackDecoder memoryDecoder(0);
    ASSERT_TRUE(memoryDecoder.open(format, 0, nullptr));
    for (SampleBuffer block; memoryDecoder.next(block);) {
      AudioBuffer buffer;
      uint32_t count = 0;
      ASSERT_TRUE(block.audioBufferList(&buffer, 1, &count));
      fromMemory.insert(fromMemory.end(), buffer.data, buffer.data + buffer.dataByteSize);
    }
  }
  closeMemoryInput(&format);
  EXPECT_EQ(format, nullptr);
  EXPECT_TRUE(fromMemory == fromFile);
  std::vector<uint8_t> noise(5000, 0x5a);
  EXPECT_LT(openMemoryInput(noise, &format), 0);
}

// A header's sample rate far outside real audio (as a fuzzed file had: 738 MHz, which made the resampler ask
// for gigabytes) is refused with the reason, from a file and from memory; real rates at both ends decode.
TEST(MediaReadersErrorsTest, SampleRatesOutsideRealAudioAreRefused) {
  TempDir dir;
  const std::string path = dir.path() + "/rate.wav";
  for (uint32_t rate : {738467648u, 768001u, 999u}) {
    ASSERT_TRUE(writeWAV(path, rate, 4096));
    AudioTrackDecoder decoder(8000);
    AVError error;
    EXPECT_FALSE(decoder.open(path, 0, &error)) << rate;
    EXPECT_NE(error.description.find(std::to_string(rate) + " Hz"), std::string::npos) << error.description;

    std::ifstream file(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    AVFormatContext* format = nullptr;
    ASSERT_EQ(openMemoryInput(bytes, &format), 0);
    {
      AudioTrackDecoder memoryDecoder(8000);
      EXPECT_FALSE(memoryDecoder.open(format, 0, nullptr));
      SampleBuffer block;
      EXPECT_FALSE(memoryDecoder.next(block));
    }
    closeMemoryInput(&format);
  }
  for (uint32_t rate : {1000u, 768000u}) {
    ASSERT_TRUE(writeWAV(path, rate, 4096));
    AudioTrackDecoder decoder(0);
    ASSERT_TRUE(decoder.open(path, 0, nullptr)) << rate;
    size_t frames = 0;
    for (SampleBuffer block; decoder.next(block);) frames += block.numSamples();
    EXPECT_EQ(frames, 4096u) << rate;
  }
}

}  // namespace
