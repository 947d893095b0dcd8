// The player in qv/os/av on clips made by ffmpeg: seeking, frames against the command line's own
// decoding, the buffer pool, and what reaches the audio sink.
#include <gtest/gtest.h>

#include <cmath>

#include "../media/VideoTestSupport.h"
#include "qv/os/av/AudioSink.h"
#include "qv/os/av/Player.h"
#include "qv/os/av/PlayerItem.h"
#include "qv/os/av/PlayerItemVideoOutput.h"
#include "qv/os/av/StreamAsset.h"

using namespace qv;

extern "C" const char* __tsan_default_suppressions() {
  // FFmpeg is not instrumented; its decoder threads' reference counts are invisible to the sanitizer.
  return "race:libavutil.so\nrace:libavcodec.so\nrace:libswscale.so\nrace:libavformat.so\n";
}

namespace {

// The first frame of `path` as the command line converts it to BGRA (an empty vector when it fails).
std::vector<uint8_t> commandLineBGRA(const std::string& path, int width, int height) {
  std::string command = "ffmpeg -nostdin -v error -i '" + path + "' -frames:v 1 -pix_fmt bgra -f rawvideo -";
  std::vector<uint8_t> reference(size_t(width) * size_t(height) * 4 + 1);
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return {};
  reference.resize(fread(reference.data(), 1, reference.size(), pipe));
  pclose(pipe);
  return reference;
}

// A sink standing for a sound card: pulls 10 ms at a time in real time and keeps the loudest sample.
class RecordingSink : public AudioSink {
 public:
  RecordingSink(int rate, int channels, Pull pull)
      : thread_([this, rate, channels, pull = std::move(pull)] {
          std::vector<float> samples(size_t(rate / 100) * size_t(channels));
          while (!stopping_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            pull(samples.data(), rate / 100);
            float loudest = 0;
            for (float s : samples) loudest = std::max(loudest, std::fabs(s));
            peak = std::max(peak.load(), loudest);
          }
        }) {}
  ~RecordingSink() override {
    stopping_ = true;
    thread_.join();
  }
  static inline std::atomic<float> peak{0};
  static inline std::atomic<int> sinks{0};

 private:
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

class PlayerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = std::make_unique<TempDir>();
    clip = makeClip(*dir, "clip.mp4");
  }
  static void TearDownTestSuite() { dir.reset(); }
  void SetUp() override { ASSERT_FALSE(clip.empty()); }
  void TearDown() override { AudioSink::setFactory({}); }

  // A player on the clip (or another), ready to play, with an output attached.
  void open(const std::string& path = clip) {
    auto asset = StreamAsset::create(path);
    item = PlayerItem::create(asset);
    player = Player::create(item);
    output = PlayerItemVideoOutput::create();
    item->addOutput(output);
    ASSERT_TRUE(pumpUntil([&] { return player->status() == Player::StatusReadyToPlay; }));
  }
  // The loudest sample played during `seconds`.
  float peakOver(double seconds) {
    pumpFor(0.15);  // what was buffered at the old gain has played
    RecordingSink::peak = 0;
    pumpFor(seconds);
    return RecordingSink::peak;
  }

  static inline std::unique_ptr<TempDir> dir;
  static inline std::string clip;
  std::shared_ptr<PlayerItem> item;
  std::shared_ptr<Player> player;
  std::shared_ptr<PlayerItemVideoOutput> output;
};

TEST_F(PlayerTest, FirstFrameMatchesTheCommandLinesDecoding) {
  open();
  ASSERT_TRUE(pumpUntil([&] { return output->hasNewPixelBufferForItemTime(MediaTime::zero()); }));
  MediaTime shown;
  auto buffer = output->copyPixelBufferForItemTime(MediaTime::zero(), &shown);
  ASSERT_TRUE(buffer);
  EXPECT_EQ(shown.seconds(), 0.0);
  EXPECT_FALSE(output->hasNewPixelBufferForItemTime(MediaTime::zero()));  // already taken
  std::vector<uint8_t> reference = commandLineBGRA(clip, 256, 128);
  ASSERT_EQ(reference.size(), size_t(256 * 128 * 4));
  ASSERT_EQ(buffer->width(), 256);
  ASSERT_EQ(buffer->height(), 128);
  double difference = 0;
  for (int y = 0; y < 128; ++y) {
    const uint8_t* row = buffer->baseAddress() + size_t(y) * buffer->bytesPerRow();
    for (int x = 0; x < 256 * 4; ++x)
      difference += std::abs(int(row[x]) - int(reference[size_t(y) * 1024 + x]));
    EXPECT_EQ(row[3], 255);  // opaque
  }
  EXPECT_LT(difference / reference.size(), 1.5);  // rounding of the colour conversion only
}

// libswscale writes whole SIMD blocks: tiny and odd-sized frames overran buffers sized to their pixels
// (AddressSanitizer sees it). Every row must still hold the command line's own conversion.
TEST_F(PlayerTest, TinyAndOddSizedFramesConvertInsideTheirBuffers) {
  for (const char* size : {"2x2", "4x4", "8x8", "24x24", "33x17"}) {
    SCOPED_TRACE(size);
    int width = 0, height = 0;
    std::sscanf(size, "%dx%d", &width, &height);
    std::string path = dir->path() + "/tiny" + size + ".mp4";
    // H.264 takes odd sizes only without chroma subsampling.
    const char* chroma = width % 2 ? "yuv444p" : "yuv420p";
    ASSERT_TRUE(runFFmpeg(std::string("-f lavfi -i testsrc=size=") + size +
                          ":rate=30:duration=0.2 -c:v libx264 -preset ultrafast -pix_fmt " + chroma + " '" +
                          path + "'"));
    item = PlayerItem::create(StreamAsset::create(path));
    player = Player::create(item);
    output = PlayerItemVideoOutput::create();
    item->addOutput(output);
    ASSERT_TRUE(pumpUntil([&] { return output->hasNewPixelBufferForItemTime(MediaTime::zero()); }));
    auto buffer = output->copyPixelBufferForItemTime(MediaTime::zero());
    ASSERT_TRUE(buffer);
    ASSERT_EQ(buffer->width(), width);
    ASSERT_EQ(buffer->height(), height);
    std::vector<uint8_t> reference = commandLineBGRA(path, width, height);
    ASSERT_EQ(reference.size(), size_t(width) * size_t(height) * 4);
    int worst = 0;
    for (int y = 0; y < height; ++y) {
      const uint8_t* row = buffer->baseAddress() + size_t(y) * buffer->bytesPerRow();
      for (int x = 0; x < width * 4; ++x)
        worst = std::max(worst, std::abs(int(row[x]) - int(reference[size_t(y) * size_t(width) * 4 + x])));
    }
    EXPECT_LE(worst, 8);  // rounding of the colour conversion only
  }
}

TEST_F(PlayerTest, PlaysInRealTimeToTheEndFromAReusedPool) {
  open();
  std::atomic<int> ends{0};
  item->addEndObserver([&] { ++ends; });
  auto start = std::chrono::steady_clock::now();
  player->play();
  int copied = 0;
  while (ends == 0 && std::chrono::steady_clock::now() - start < std::chrono::seconds(10)) {
    if (output->hasNewPixelBufferForItemTime(item->currentTime())) {
      if (output->copyPixelBufferForItemTime(item->currentTime())) ++copied;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(11));
  }
  double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(ends, 1);
  EXPECT_GE(elapsed, 1.9);  // the clock runs no faster than the media (how close it keeps is for bench/)
  // Every frame is copied out or, when the poller was held up past its time, counted as skipped.
  EXPECT_GE(copied, 1);
  EXPECT_EQ(output->framesCopied(), uint64_t(copied));
  EXPECT_EQ(output->framesCopied() + output->framesSkipped(), 60u);
  EXPECT_LE(output->bufferAllocations(), 2u);  // one frame out at a time: the pool reuses its bytes
  EXPECT_TRUE(item->isPlaybackBufferFull());
  EXPECT_EQ(player->rate(), 0.0f);  // stopped at the end
  player->play();
  EXPECT_NEAR(item->currentTime().seconds(), 2.0, 0.05);
}

TEST_F(PlayerTest, TheClockWaitsForTheFirstFramesOfAStreamThatIsSlowToOpen) {
  // The stream is answered 400 ms late; play is asked for at once.
  DyingHttpServer server(readFile(clip), {.firstDelayMs = 400});
  ASSERT_NE(server.port(), 0);
  item =
      PlayerItem::create(StreamAsset::create("http://127.0.0.1:" + std::to_string(server.port()) + "/c.mp4"));
  player = Player::create(item);
  output = PlayerItemVideoOutput::create();
  item->addOutput(output);
  player->play();
  ASSERT_TRUE(pumpUntil([&] { return output->hasNewPixelBufferForItemTime(item->currentTime()); }));
  // A clock that ran while the stream opened would be 0.4 s on, its first frames already overtaken.
  EXPECT_LT(item->currentTime().seconds(), 0.2);
}

TEST_F(PlayerTest, ASeekFarPastTheEndLandsOnTheEnd) {
  open();
  for (MediaTime far : {MediaTime::make(INT64_MAX, 1), MediaTime::make(INT64_MAX / 2, 3)}) {
    std::atomic<int> finished{-1};
    item->seekToTime(far, MediaTime::zero(), MediaTime::positiveInfinity(),
                     [&](bool done) { finished = done; });
    double during = item->currentTime().seconds();
    EXPECT_GE(during, 0.0);
    EXPECT_LE(during, 2.0 + 1e-6);
    ASSERT_TRUE(pumpUntil([&] { return finished >= 0; }));
    EXPECT_EQ(finished, 1);
    EXPECT_NEAR(item->currentTime().seconds(), 2.0, 0.1);
  }
}

// While a seek is under way the clock reads its target at once, but the frames queued before it are
// not the frames for that time: the first frame handed out after an exact seek is the one at the target,
// never a stale one that was due by the new clock (frames 0.5 s ahead of the queue here).
TEST_F(PlayerTest, AfterAnExactSeekTheFirstFrameHandedOutIsTheTargets) {
  open();
  for (double target : {0.5, 1.5, 1.0, 1.8}) {
    std::atomic<int> finished{-1};
    const MediaTime at = MediaTime::make(int64_t(target * 1000), 1000);
    item->seekToTime(at, MediaTime::zero(), MediaTime::zero(), [&](bool done) { finished = done; });
    MediaTime shown;
    std::shared_ptr<PixelBuffer> buffer;
    ASSERT_TRUE(pumpUntil([&] {
      if (output->hasNewPixelBufferForItemTime(item->currentTime()))
        buffer = output->copyPixelBufferForItemTime(item->currentTime(), &shown);
      return buffer != nullptr;
    })) << target;
    EXPECT_NEAR(shown.seconds(), target, 1e-3);
    ASSERT_TRUE(pumpUntil([&] { return finished >= 0; }));
  }
}

// An exact seek past the end before any frame was shown passes over every frame: the clip still has
// pictures, so it ends rather than fails.
TEST_F(PlayerTest, AnExactSeekPastTheEndOfAFreshItemEndsIt) {
  item = PlayerItem::create(StreamAsset::create(clip));
  std::atomic<int> ends{0};
  item->addEndObserver([&] { ++ends; });
  player = Player::create(item);
  // Asked for while the item opens, so the seek comes before the first read.
  item->seekToTime(MediaTime::make(5, 1), MediaTime::zero(), MediaTime::zero(), {});
  player->play();
  ASSERT_TRUE(pumpUntil([&] { return ends > 0 || item->status() == PlayerItem::StatusFailed; }));
  EXPECT_EQ(item->status(), PlayerItem::StatusReadyToPlay) << item->errorDescription();
}

// A clip whose only track claims a sample rate no audio has fails with the reason instead of resampling it.
TEST_F(PlayerTest, AnAudioTrackAtAnImpossibleRateFailsWithTheReason) {
  const std::string path = dir->path() + "/rate.wav";
  ASSERT_TRUE(writeWAV(path, 738467648u, 4096));
  item = PlayerItem::create(StreamAsset::create(path));
  player = Player::create(item);
  ASSERT_TRUE(pumpUntil([&] { return item->status() == PlayerItem::StatusFailed; }));
  EXPECT_NE(item->errorDescription().find("738467648 Hz"), std::string::npos) << item->errorDescription();
}

TEST_F(PlayerTest, VolumeAndMuteApplyToTheSamplesPlayed) {
  AudioSink::setFactory([](int rate, int channels, AudioSink::Pull pull) -> std::unique_ptr<AudioSink> {
    ++RecordingSink::sinks;
    return std::make_unique<RecordingSink>(rate, channels, std::move(pull));
  });
  RecordingSink::sinks = 0;
  // The media clock runs on the wall clock, so a busy machine that stretches the measurements below (1.7 s
  // of playing when idle) must not run them past the end of the clip into its silence.
  const std::string longClip = makeClip(*dir, "long.mp4", 10);
  ASSERT_FALSE(longClip.empty());
  open(longClip);
  // The sink exists once the item is ready; the counter is read once, so the message shows what was compared.
  int sinks = RecordingSink::sinks.load();
  EXPECT_EQ(sinks, 1);
  EXPECT_EQ(peakOver(0.2), 0.0f);  // paused: silence
  player->play();
  float full = peakOver(0.3);
  EXPECT_NEAR(full, 0.125, 0.01);  // the sine source's amplitude, on both sides
  player->setVolume(0.5f);
  EXPECT_NEAR(peakOver(0.3), full * 0.5f, 0.01);
  player->setMuted(true);
  EXPECT_EQ(peakOver(0.2), 0.0f);
  player->setMuted(false);
  player->setVolume(1.0f);
  item->setAudioMix({{{2, 0.25f, MediaTime::zero()}}});  // track 2 is the sound
  EXPECT_NEAR(peakOver(0.3), full * 0.25f, 0.01);
}

}  // namespace
