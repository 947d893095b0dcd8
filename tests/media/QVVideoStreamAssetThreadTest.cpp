// The video stream asset end to end: real clips made by ffmpeg, the real player, the main run loop
// pumped by the test thread, a recording listener (or the real view) on the capture thread.
#include <gtest/gtest.h>
#include <pthread.h>

#include <filesystem>
#include <random>

#include "VideoTestSupport.h"
#include "qv/core/QVObjectFactory.h"
#include "qv/media/QVVideoStreamAsset.h"
#include "qv/os/av/Player.h"
#include "qv/os/av/PlayerItemVideoOutput.h"
#include "qv/platform/QVContext.h"

using namespace qv;

// FFmpeg is not built with ThreadSanitizer: its decoder threads hand frames over through reference counts
// kept with atomics that the sanitizer cannot see, so frees of FFmpeg buffers on our threads look like
// races. Only reports whose stacks pass through FFmpeg's libraries are suppressed.
extern "C" const char* __tsan_default_suppressions() {
  return "race:libavutil.so\nrace:libavcodec.so\nrace:libswscale.so\nrace:libavformat.so\n";
}

namespace {

constexpr int32_t kReady = 1, kPlaying = 2, kPaused = 3, kStopped = 4, kFinished = 5, kFailed = 9,
                  kLoading = 10, kBufferEmpty = 11;

class VideoAssetTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = std::make_unique<TempDir>();
    clip = makeClip(*dir, "clip.mp4");
  }
  static void TearDownTestSuite() { dir.reset(); }
  void SetUp() override {
    ASSERT_FALSE(clip.empty()) << "ffmpeg could not make the test clip";
    RunLoop::main().useRealClock();
    RunLoop::main().adoptCurrentThread();
    observer = std::make_shared<RecordingObserver>();
    listener = std::make_shared<RecordingListener>();
  }
  void TearDown() override {
    asset.reset();
    // Whatever a test did, no capture thread outlives its asset.
    EXPECT_TRUE(pumpUntil([] { return captureThreads() == 0; }, 5.0));
    pumpFor(0.02);
  }
  // An asset on `url` with the recording observer and listener, loaded to status 1.
  void load(const std::string& url) {
    asset = QVObjectFactory::assetFromUrl(url, observer);
    asset->setAssetListener(listener);
    ASSERT_TRUE(pumpUntil([&] { return asset->getStatus() == kReady; })) << "status " << asset->getStatus();
  }
  bool waitFrames(int count, double seconds = 10.0) {
    return pumpUntil([&] { return listener->frames >= count; }, seconds);
  }

  static inline std::unique_ptr<TempDir> dir;
  static inline std::string clip;
  std::shared_ptr<RecordingObserver> observer;
  std::shared_ptr<RecordingListener> listener;
  std::shared_ptr<QVVideoStreamAsset> asset;
};

TEST_F(VideoAssetTest, PlaysAFileToItsEndWithFramesOnTheNamedCaptureThread) {
  auto monitor = std::make_shared<RecordingMonitor>();
  load(fileURL(clip));
  asset->setTimeMonitor(monitor);
  EXPECT_NEAR(asset->getDuration().seconds(), 2.0, 0.1);
  asset->play();
  ASSERT_TRUE(pumpUntil([&] { return observer->saw(kFinished); }, 15.0));
  // 2 s at 30 fps: each frame is handed out or, when the machine is too busy to take it in time, counted
  // as skipped (how many are skipped is a matter of speed, measured in bench/). Each one is different.
  auto output = asset->videoOutput();
  ASSERT_TRUE(pumpUntil([&] { return output->framesCopied() + output->framesSkipped() == 60; }));
  EXPECT_GE(listener->frames, 1);
  EXPECT_GE(listener->distinctFrames() + 2, size_t(listener->frames));
  EXPECT_EQ(listener->width, 256);
  EXPECT_EQ(listener->height, 128);
  {
    std::lock_guard<std::mutex> guard(listener->lock_);
    EXPECT_EQ(listener->threadName, "com.quovio.decodingThread");
  }
  EXPECT_EQ(captureThreads(), 1);  // the OS keeps the first 15 characters
  // One time for each frame copied out, however few a busy machine took.
  ASSERT_TRUE(pumpUntil([&] { return monitor->times.size() >= output->framesCopied(); }));
  ASSERT_FALSE(monitor->times.empty());
  EXPECT_TRUE(std::is_sorted(monitor->times.begin(), monitor->times.end()));
  EXPECT_NEAR(monitor->times.back(), 2.0, 0.15);
  asset->stop();
  ASSERT_TRUE(pumpUntil([&] { return observer->saw(kStopped); }));
  EXPECT_FALSE(asset->isCapturing());
  EXPECT_FALSE(observer->offMainThread);
  std::vector<int32_t> stored;  // without the buffer messages, which are not stored
  std::copy_if(observer->codes.begin(), observer->codes.end(), std::back_inserter(stored),
               [](int32_t code) { return code < kBufferEmpty; });
  EXPECT_EQ(stored, (std::vector<int32_t>{kLoading, kReady, kPlaying, kFinished, kStopped}));
}

TEST_F(VideoAssetTest, BadInputReportsFailureWithTheLogLineAndLeavesNoThread) {
  std::string corrupt = dir->path() + "/corrupt.mp4", truncated = dir->path() + "/truncated.mp4";
  std::string noise(20000, 0), bytes(600, 0);
  std::mt19937 random(7);
  for (char& c : noise) c = char(random());
  std::ofstream(corrupt, std::ios::binary) << noise;
  std::ifstream(clip, std::ios::binary).read(bytes.data(), 600);
  std::ofstream(truncated, std::ios::binary) << bytes;  // cut inside the index
  std::string urls[] = {fileURL(dir->path() + "/missing.mp4"), corrupt, fileURL(truncated),
                        "http://127.0.0.1:" + std::to_string(closedLoopbackPort()) + "/clip.mp4"};
  for (const auto& url : urls) {
    SCOPED_TRACE(url);
    LogCapture log;
    observer = std::make_shared<RecordingObserver>();
    asset = QVObjectFactory::assetFromUrl(url, observer);
    asset->setAssetListener(listener);
    ASSERT_TRUE(pumpUntil([&] { return observer->saw(kFailed); }));
    EXPECT_EQ(observer->codes, (std::vector<int32_t>{kLoading, kFailed}));
    ASSERT_FALSE(log.lines.empty());
    // The fixed text, then FFmpeg's reason (its own lines, if any, come before through the same log).
    std::string fixed = "<StreamAsset " + url + "> Failed to load the tracks. ";
    EXPECT_EQ(log.lines.back().rfind(fixed, 0), 0u) << log.lines.back();
    EXPECT_GT(log.lines.back().size(), fixed.size() + 5) << log.lines.back();
    EXPECT_EQ(asset->failureReason().rfind("the tracks cannot be loaded: ", 0), 0u) << asset->failureReason();
    // Without a player, play only records a request and times are the zero of timescale 10000.
    asset->play();
    pumpFor(0.1);
    EXPECT_FALSE(asset->isCapturing());
    EXPECT_EQ(captureThreads(), 0);
    EXPECT_EQ(asset->getPlaybackTime().timescale, 10000);
    EXPECT_EQ(asset->getDuration().value, 0);
    EXPECT_EQ(listener->frames, 0);
  }
}

// A clip whose index is whole but whose media data is cut yields no frame: that is a failure with a
// reason, not a silent end that a looping host would restart for ever.
TEST_F(VideoAssetTest, AClipThatYieldsNoFrameFailsWithTheReason) {
  auto bytes = readFile(clip);
  std::string text(bytes.begin(), bytes.end());
  size_t media = text.find("mdat");
  ASSERT_NE(media, std::string::npos);
  std::string cut = dir->path() + "/nomedia.mp4";
  std::ofstream(cut, std::ios::binary) << text.substr(0, media + 4 + 40);
  LogCapture log;
  // The item may fail before status 1 is seen: the asset is not waited on until ready.
  asset = QVObjectFactory::assetFromUrl(fileURL(cut), observer);
  asset->setAssetListener(listener);
  asset->play();
  ASSERT_TRUE(pumpUntil([&] { return observer->saw(kFailed) || observer->saw(kFinished); }));
  EXPECT_FALSE(observer->saw(kFinished));
  EXPECT_EQ(asset->getStatus(), kFailed);
  EXPECT_EQ(log.count("Asset playback failed. no video frame could be decoded"), 1u);
  EXPECT_EQ(asset->failureReason(), "playback failed: no video frame could be decoded");
  EXPECT_EQ(listener->frames, 0);
}

TEST_F(VideoAssetTest, AFileOfSoundOnlyHasNoVideoTrack) {
  std::string sound = dir->path() + "/sound.m4a";
  ASSERT_TRUE(runFFmpeg("-f lavfi -i sine=duration=0.5 -c:a aac '" + sound + "'"));
  load(fileURL(sound));
  EXPECT_FALSE(asset->hasVideoTrack());
  load(fileURL(clip));
  EXPECT_TRUE(asset->hasVideoTrack());
}

// A local file whose name looks like a protocol ("take:") is a file.
TEST_F(VideoAssetTest, AnExistingPathIsAFileWhateverItsNameLooksLike) {
  std::string previous = std::filesystem::current_path();
  std::filesystem::copy_file(clip, dir->path() + "/take:1.mp4");
  std::filesystem::current_path(dir->path());
  load("take:1.mp4");
  std::filesystem::current_path(previous);
  asset->play();
  EXPECT_TRUE(waitFrames(3));
}

// play() while a seek started paused may be under way: the seek ends playing, not back in the pause. The
// seek may also end before play() comes; either way the asset ends up playing and stays so.
TEST_F(VideoAssetTest, PlayDuringASeekFromPauseEndsPlaying) {
  load(fileURL(clip));
  asset->play();
  ASSERT_TRUE(waitFrames(1));
  asset->pause();
  ASSERT_TRUE(pumpUntil([&] { return observer->saw(kPaused); }));
  asset->setTimeRange(MediaTime::zero(), MediaTime::positiveInfinity(), true);
  asset->play();
  ASSERT_TRUE(pumpUntil([&] { return !asset->isSeeking(); }));
  EXPECT_EQ(asset->getStatus(), kPlaying);
  int frames = listener->frames;
  EXPECT_TRUE(waitFrames(frames + 3));
}

// A seek that a later one interrupts leaves the clock as it was: a paused asset stays still.
TEST_F(VideoAssetTest, AnInterruptedSeekKeepsThePausedRate) {
  load(fileURL(clip));
  asset->play();
  ASSERT_TRUE(waitFrames(1));
  asset->pause();
  ASSERT_TRUE(pumpUntil([&] { return asset->getStatus() == kPaused; }));
  auto player = asset->currentPlayer();
  ASSERT_EQ(player->rate(), 0.0f);
  observer->codes.clear();
  // The asset's seek may finish before the second one reaches the player (the test thread can be held up
  // in between): then it is asked again. Either way the paused clock stays still.
  for (int attempt = 0; attempt < 20 && !observer->saw(kFailed); ++attempt) {
    asset->setTimeRange(MediaTime::make(1, 1), MediaTime::positiveInfinity(), true);
    // The interrupting seek goes to the item directly, so nothing of the asset's sets the rate after it.
    auto secondDone = std::make_shared<std::atomic<bool>>(false);
    player->currentItem()->seekToTime(MediaTime::make(1, 2), MediaTime::positiveInfinity(),
                                      MediaTime::positiveInfinity(),
                                      [secondDone](bool) { *secondDone = true; });
    ASSERT_TRUE(pumpUntil([&] { return !asset->isSeeking() && *secondDone; }));
    RunLoop::main().runOnce();  // the asset's report is delivered
    EXPECT_EQ(player->rate(), 0.0f);
  }
  EXPECT_TRUE(observer->saw(kFailed));
}

// Buffer notifications keep coming while the item is ready, also after stop: one that comes late (called
// here as the item calls it) starts no capture thread and no playing, whether a thread was running or not.
TEST_F(VideoAssetTest, ALateNotificationAfterStopStartsNothing) {
  load(fileURL(clip));
  auto player = asset->currentPlayer();
  // A seek from ready plays the item without a capture thread.
  asset->setTimeRange(MediaTime::make(1, 2), MediaTime::positiveInfinity(), false);
  ASSERT_TRUE(pumpUntil([&] { return asset->getStatus() == kPlaying && !asset->isSeeking(); }));
  asset->stop();
  asset->observeValueForKeyPath("playbackLikelyToKeepUp");
  EXPECT_FALSE(asset->isCapturing());
  EXPECT_EQ(player->rate(), 0.0f);
  EXPECT_EQ(asset->getStatus(), kStopped);
  // With a capture thread: late notifications while it ends and after it has ended.
  asset->play();
  ASSERT_TRUE(waitFrames(3));
  asset->stop();
  asset->observeValueForKeyPath("playbackBufferFull");
  ASSERT_TRUE(pumpUntil([&] { return !asset->isCapturing() && captureThreads() == 0; }));
  asset->observeValueForKeyPath("playbackLikelyToKeepUp");
  EXPECT_FALSE(asset->isCapturing());
  EXPECT_EQ(player->rate(), 0.0f);
  EXPECT_EQ(asset->getStatus(), kStopped);
  // The host's play after stop starts one thread again.
  asset->play();
  ASSERT_TRUE(waitFrames(listener->frames + 3));
  EXPECT_EQ(captureThreads(), 1);
}

// Seeks complete on the player's thread, after control calls that came meanwhile: a stop or a pause given
// while a seek is under way has the last word.
TEST_F(VideoAssetTest, StopOrPauseDuringASeekIsNotUndoneByItsCompletion) {
  load(fileURL(clip));
  auto player = asset->currentPlayer();
  asset->play();
  ASSERT_TRUE(waitFrames(3));
  asset->setTimeRange(MediaTime::make(1, 1), MediaTime::positiveInfinity(), false);
  asset->pause();
  ASSERT_TRUE(pumpUntil([&] { return !asset->isSeeking(); }));
  EXPECT_EQ(asset->getStatus(), kPaused);
  EXPECT_EQ(player->rate(), 0.0f);
  asset->pause();  // the toggle still works
  EXPECT_EQ(asset->getStatus(), kPlaying);
  ASSERT_TRUE(waitFrames(listener->frames + 3));
  asset->setTimeRange(MediaTime::make(1, 2), MediaTime::positiveInfinity(), false);
  asset->stop();
  ASSERT_TRUE(
      pumpUntil([&] { return !asset->isSeeking() && !asset->isCapturing() && captureThreads() == 0; }));
  RunLoop::main().runOnce();  // every report made so far is delivered
  EXPECT_EQ(asset->getStatus(), kStopped);
  EXPECT_EQ(player->rate(), 0.0f);
  std::vector<int32_t> stored;  // without the buffer messages, which keep coming
  std::copy_if(observer->codes.begin(), observer->codes.end(), std::back_inserter(stored),
               [](int32_t code) { return code < kBufferEmpty; });
  ASSERT_FALSE(stored.empty());
  EXPECT_EQ(stored.back(), kStopped);
  // A seek while stopped moves the position for the next play, and changes nothing else.
  asset->setTimeRange(MediaTime::make(3, 2), MediaTime::positiveInfinity(), false);
  ASSERT_TRUE(pumpUntil([&] { return !asset->isSeeking(); }));
  EXPECT_EQ(asset->getStatus(), kStopped);
  EXPECT_EQ(player->rate(), 0.0f);
  EXPECT_NEAR(asset->getPlaybackTime().seconds(), 1.5, 1e-3);
}

TEST_F(VideoAssetTest, ObserverReceivesEachCodeAsPostedInOrderUntilRemovedWithAnyArgument) {
  load(fileURL(clip));
  observer->codes.clear();
  asset->onStatusMessage(kFailed);
  asset->onStatusMessage(kStopped);
  asset->onStatusMessage(12);
  // (The player's own buffer messages may come in between.)
  auto posted = [&] {
    std::vector<int32_t> codes;
    std::copy_if(observer->codes.begin(), observer->codes.end(), std::back_inserter(codes),
                 [](int32_t code) { return code == kFailed || code == kStopped || code == 12; });
    return codes;
  };
  ASSERT_TRUE(pumpUntil([&] { return posted().size() == 3; }));
  EXPECT_EQ(posted(), (std::vector<int32_t>{kFailed, kStopped, 12}));
  EXPECT_EQ(asset->getStatus(), kStopped);  // messages 11..13 are not stored
  int unrelated = 0;
  asset->removeObserver(&unrelated);
  observer->codes.clear();
  asset->play();  // with no observer it still plays
  ASSERT_TRUE(waitFrames(5));
  EXPECT_EQ(asset->getStatus(), kPlaying);
  pumpFor(0.05);
  EXPECT_TRUE(observer->codes.empty());
}

TEST_F(VideoAssetTest, EarlyStopAndRepeatedPlaysStartExactlyOneCaptureThread) {
  asset = QVObjectFactory::assetFromUrl(fileURL(clip), observer);
  asset->setAssetListener(listener);
  asset->play();  // still loading: only a request, replaced by the status-1 report
  ASSERT_TRUE(pumpUntil([&] { return asset->getStatus() == kReady; }));
  pumpFor(0.3);
  EXPECT_EQ(asset->getStatus(), kReady);
  EXPECT_FALSE(asset->isCapturing());
  EXPECT_EQ(listener->frames, 0);
  asset->stop();  // no capture thread yet: nothing could hand the stop flag back
  asset->play();
  asset->play();
  ASSERT_TRUE(waitFrames(3));
  EXPECT_EQ(captureThreads(), 1);
  asset->play();  // while playing: nothing more
  pumpFor(0.1);
  EXPECT_EQ(captureThreads(), 1);
  EXPECT_EQ(observer->countOf(kPlaying), 1u);
}

TEST_F(VideoAssetTest, PauseTogglesPlayResumesAndAStoppedFilePlaysOn) {
  load(fileURL(clip));
  asset->pause();  // neither playing nor paused: nothing
  EXPECT_EQ(asset->getStatus(), kReady);
  asset->play();
  ASSERT_TRUE(pumpUntil([&] { return asset->getStatus() == kPlaying; }));
  asset->pause();
  EXPECT_EQ(asset->getStatus(), kPaused);
  double pausedAt = asset->getPlaybackTime().seconds();
  int frames = listener->frames;
  pumpFor(0.3);
  EXPECT_NEAR(asset->getPlaybackTime().seconds(), pausedAt, 1e-3);
  EXPECT_LE(listener->frames, frames + 1);
  asset->pause();  // pause twice returns to playing
  EXPECT_EQ(asset->getStatus(), kPlaying);
  ASSERT_TRUE(waitFrames(frames + 5));
  asset->pause();
  frames = listener->frames;
  asset->play();  // resumes as the toggle does, with video, and reports 2
  EXPECT_EQ(asset->getStatus(), kPlaying);
  ASSERT_TRUE(waitFrames(frames + 5));
  ASSERT_TRUE(pumpUntil([&] { return observer->codes.back() == kPlaying; }));
  asset->stop();
  ASSERT_TRUE(pumpUntil([&] { return observer->saw(kStopped); }));
  EXPECT_EQ(asset->getStatus(), kStopped);
  double stoppedAt = asset->getPlaybackTime().seconds();
  frames = listener->frames;
  observer->codes.clear();
  asset->play();
  ASSERT_TRUE(waitFrames(frames + 5));
  EXPECT_EQ(observer->codes.front(), kPlaying);
  EXPECT_GT(asset->getPlaybackTime().seconds(), stoppedAt);  // from where it stopped
  EXPECT_EQ(captureThreads(), 1);
}

TEST_F(VideoAssetTest, SeeksStartPlayOrEndInThePreSeekState) {
  load(fileURL(clip));
  // The seek's completion reports 2 and runs the player, but no capture thread exists yet.
  asset->setTimeRange(MediaTime::make(1, 2), MediaTime::positiveInfinity(), false);
  ASSERT_TRUE(pumpUntil([&] { return asset->getStatus() == kPlaying; }));
  asset->pause();
  EXPECT_EQ(asset->getStatus(), kPaused);
  asset->play();  // resumes, and starts the capture thread that was missing
  ASSERT_TRUE(waitFrames(3));
  EXPECT_EQ(captureThreads(), 1);
  // Playing: an exact seek lands on the time and plays on.
  observer->codes.clear();
  asset->setTimeRange(MediaTime::make(1, 1), MediaTime::positiveInfinity(), false);
  // (A buffer change on the player's thread may already have resumed the asset: 10 is checked as reported.)
  ASSERT_TRUE(pumpUntil([&] { return observer->saw(kLoading) && asset->getStatus() != kLoading; }));
  EXPECT_EQ(asset->getStatus(), kPlaying);
  EXPECT_GE(asset->getPlaybackTime().seconds(), 1.0);
  // Paused: overlapping seeks keep the state from before the first of them. The pause's own 3 is
  // delivered before the clear, so the 3 waited for below is the seeks'.
  asset->pause();
  ASSERT_TRUE(pumpUntil([&] { return observer->saw(kPaused); }));
  observer->codes.clear();
  asset->setTimeRange(MediaTime::make(1, 2), MediaTime::positiveInfinity(), false);
  asset->setTimeRange(MediaTime::make(3, 10), MediaTime::positiveInfinity(), false);
  ASSERT_TRUE(pumpUntil([&] { return observer->saw(kPaused); }));
  pumpFor(0.2);
  EXPECT_EQ(asset->getStatus(), kPaused);
  EXPECT_NEAR(asset->getPlaybackTime().seconds(), 0.3, 1e-3);
  EXPECT_EQ(observer->codes.back(), kPaused);
  EXPECT_FALSE(observer->saw(kPlaying));
  EXPECT_FALSE(observer->saw(kFailed));  // the first seek, interrupted by the second, leaves the end to it
  // A key-frame seek lands on the key frame at or before the time (every 0.5 s in the clip).
  asset->setTimeRange(MediaTime::make(13, 10), MediaTime::positiveInfinity(), true);
  ASSERT_TRUE(pumpUntil([&] { return asset->getStatus() == kPaused; }));
  EXPECT_NEAR(asset->getPlaybackTime().seconds(), 1.0, 1e-3);
  // Playing with a seek starts at the position; a time of timescale 0 is no position and plays on.
  for (auto [at, from] : {std::pair{MediaTime::make(3, 2), 1.5}, std::pair{MediaTime::make(5, 0), 0.0}}) {
    listener = std::make_shared<RecordingListener>();
    load(fileURL(clip));  // a fresh asset
    asset->playWithSeekTo(at, from == 0);
    ASSERT_TRUE(waitFrames(2));
    ASSERT_TRUE(pumpUntil([&] { return asset->getStatus() == kPlaying; }));
    EXPECT_GE(asset->getPlaybackTime().seconds(), from);
    EXPECT_LT(asset->getPlaybackTime().seconds(), from + 1.0);
  }
}

// A player paused and sought (scrubbing, or a host stepping through the frames of a clip) shows the
// frame where each seek landed, and no other: the clock stands still, so one frame per seek.
TEST_F(VideoAssetTest, ASeekWhilePausedShowsTheFrameItLandsOn) {
  load(fileURL(clip));
  asset->play();
  ASSERT_TRUE(waitFrames(1));
  asset->pause();
  ASSERT_TRUE(pumpUntil([&] { return observer->saw(kPaused); }));
  pumpFor(0.1);
  std::vector<uint32_t> landed;
  for (double seconds : {1.0, 0.5, 1.0}) {
    const int before = listener->frames;
    observer->codes.clear();
    asset->setTimeRange(MediaTime::make(int64_t(seconds * 1000), 1000), MediaTime::positiveInfinity(), false);
    ASSERT_TRUE(pumpUntil([&] { return observer->saw(kPaused) && listener->frames > before; })) << seconds;
    pumpFor(0.1);
    EXPECT_EQ(listener->frames, before + 1);
    EXPECT_NEAR(asset->getPlaybackTime().seconds(), seconds, 1e-3);
    std::lock_guard<std::mutex> guard(listener->lock_);
    landed.push_back(listener->digests.back());
  }
  EXPECT_NE(landed[0], landed[1]);
  EXPECT_EQ(landed[0], landed[2]);  // the same time, the same picture
}

TEST_F(VideoAssetTest, HostAndAssetDoNotKeepEachOtherAlive) {
  load(fileURL(clip));
  asset->play();
  ASSERT_TRUE(waitFrames(3));
  // The asset holds its listener and observer weakly: dropping them mid-play is safe.
  std::weak_ptr<RecordingListener> weakListener = listener;
  std::weak_ptr<RecordingObserver> weakObserver = observer;
  listener.reset();
  observer.reset();
  EXPECT_TRUE(weakListener.expired());
  EXPECT_TRUE(weakObserver.expired());
  pumpFor(0.2);
  // Dropping the playing asset ends its capture thread (checked by TearDown) and cleans up. A callback
  // under way on another thread may hold the asset a moment longer; the last owner then cleans up there.
  LogCapture log(QVLogLevel::Debug);
  std::weak_ptr<QVVideoStreamAsset> weakAsset = asset;
  asset.reset();
  EXPECT_TRUE(pumpUntil([&] { return weakAsset.expired() && log.count("Cleaning up QVAsset") > 0; }));
  EXPECT_EQ(log.count("Cleaning up QVAsset"), 1u);
  listener = std::make_shared<RecordingListener>();
}

TEST_F(VideoAssetTest, AStreamThatDiesReportsBufferEmptyThenFailure) {
  auto bytes = readFile(clip);
  ASSERT_GT(bytes.size(), 20000u);
  DyingHttpServer server(bytes, {.cutAt = bytes.size() / 2});
  ASSERT_NE(server.port(), 0);
  LogCapture log;
  load("http://127.0.0.1:" + std::to_string(server.port()) + "/clip.mp4");
  asset->play();
  ASSERT_TRUE(waitFrames(3));
  ASSERT_TRUE(pumpUntil([&] { return observer->saw(kFailed); }, 20.0));
  EXPECT_TRUE(server.died());
  auto empty = std::find(observer->codes.begin(), observer->codes.end(), kBufferEmpty);
  auto failed = std::find(observer->codes.begin(), observer->codes.end(), kFailed);
  EXPECT_LT(empty, failed);
  EXPECT_EQ(log.count("Asset playback failed."), 1u);
  // It played what arrived, about the first half: each frame handed out or, on a busy machine, skipped.
  auto output = asset->videoOutput();
  const uint64_t played = output->framesCopied() + output->framesSkipped();
  EXPECT_GE(played, 15u);
  EXPECT_LE(played, 50u);
  int framesAtFailure = listener->frames;
  pumpFor(0.2);
  EXPECT_EQ(listener->frames, framesAtFailure);
  // The capture thread ends on stop as usual.
  asset->stop();
  ASSERT_TRUE(pumpUntil([&] { return !asset->isCapturing(); }));
}

TEST_F(VideoAssetTest, AStreamThatDropsAndComesBackPlaysOnToItsEnd) {
  auto bytes = readFile(clip);
  DyingHttpServer server(bytes, {.cutAt = bytes.size() / 2, .comesBack = true});
  ASSERT_NE(server.port(), 0);
  load("http://127.0.0.1:" + std::to_string(server.port()) + "/clip.mp4");
  asset->play();
  ASSERT_TRUE(pumpUntil([&] { return observer->saw(kFinished) || observer->saw(kFailed); }, 20.0));
  EXPECT_TRUE(server.died());
  EXPECT_FALSE(observer->saw(kFailed));
  // The second half too (frames handed out or, on a busy machine, skipped).
  auto output = asset->videoOutput();
  EXPECT_TRUE(pumpUntil([&] { return output->framesCopied() + output->framesSkipped() >= 50; }));
}

TEST_F(VideoAssetTest, APlayerThatFailsBeforeItIsReadyEndsTheWaitingCaptureThread) {
  // The probe is served; the player's own connection is closed, late, without an answer.
  DyingHttpServer server(readFile(clip), {.cutAt = 0, .laterDelayMs = 300});
  ASSERT_NE(server.port(), 0);
  LogCapture log(QVLogLevel::Debug);
  load("http://127.0.0.1:" + std::to_string(server.port()) + "/clip.mp4");
  asset->play();  // the capture thread waits for the player
  EXPECT_TRUE(asset->isCapturing());
  // The flag drops just before the thread is gone: wait for the thread itself.
  ASSERT_TRUE(pumpUntil([&] { return observer->saw(kFailed) && captureThreads() == 0; }));
  EXPECT_FALSE(asset->isCapturing());
  RunLoop::main().runOnce();  // a report from the ended thread would be queued by now
  EXPECT_EQ(observer->countOf(kFailed), 1u);
  EXPECT_EQ(asset->getStatus(), kFailed);
  EXPECT_EQ(listener->frames, 0);
  EXPECT_GE(log.count("Asset playback failed."), 1u);
  EXPECT_LT(log.count("Waiting for readystate ..."), 60u);  // about 0.3 s of waiting, then it stops
}

TEST_F(VideoAssetTest, AStormOfControlCallsWhileFramesFlow) {
  load(fileURL(clip));
  asset->play();
  ASSERT_TRUE(waitFrames(3));
  std::mt19937 random(12345);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(4);
  int calls = 0;
  while (std::chrono::steady_clock::now() < deadline) {
    int call = int(random() % 8);
    MediaTime at = MediaTime::make(random() % 1900, 1000);
    bool keyFrame = random() % 2 == 0;
    if (call <= 1) asset->play();
    if (call == 2) asset->pause();
    if (call == 3) asset->setTimeRange(at, MediaTime::positiveInfinity(), keyFrame);
    if (call == 4) asset->stop();
    if (call == 5) asset->setVolume(float(random() % 100) / 100.0f);
    if (call == 6) asset->playWithSeekTo(at, keyFrame);
    // The listener comes and goes while the capture thread delivers.
    if (call == 7)
      asset->setAssetListener(keyFrame ? std::weak_ptr<QVAssetListener>(listener)
                                       : std::weak_ptr<QVAssetListener>());
    ++calls;
    RunLoop::main().runFor(0.001 * double(random() % 8));
  }
  EXPECT_GT(calls, 300);
  asset->stop();
  ASSERT_TRUE(pumpUntil([&] { return !asset->isCapturing(); }));
  pumpFor(0.1);
  for (int32_t code : observer->codes) {
    EXPECT_TRUE((code >= 1 && code <= 5) || (code >= 9 && code <= 13)) << code;
  }
  // Still a working asset afterwards.
  asset->setAssetListener(listener);
  int frames = listener->frames;
  asset->setTimeRange(MediaTime::zero(), MediaTime::positiveInfinity(), true);
  asset->play();
  ASSERT_TRUE(waitFrames(frames + 3));
}

TEST_F(VideoAssetTest, FramesReachTheViewWhichKeepsTheLastOneAfterStop) {
  auto view = QVObjectFactory::viewWithFrame(QVRect{0, 0, 64, 32});
  ASSERT_TRUE(view);
  view->layoutSubviews();
  asset = QVObjectFactory::assetFromUrl(fileURL(clip), observer);
  view->displayAsset(asset);  // the view becomes the listener
  ASSERT_TRUE(pumpUntil([&] { return asset->getStatus() == kReady; }));
  auto texture = [&] {
    std::lock_guard<std::mutex> guard(QVContext::glLock());
    return std::make_pair(view->frameInput().first().target, view->frameInput().first().name);
  };
  EXPECT_EQ(texture().first, 0u);
  asset->play();
  ASSERT_TRUE(pumpUntil([&] { return texture().first != 0; }));
  view->update();  // draws a frame on the main thread while the capture thread uploads
  pumpFor(0.2);
  asset->stop();
  ASSERT_TRUE(pumpUntil([&] { return observer->saw(kStopped); }));
  auto last = texture();
  EXPECT_EQ(last.first, GLuint(GL_TEXTURE_2D));
  EXPECT_NE(last.second, 0u);
  pumpFor(0.1);
  EXPECT_EQ(texture(), last);
  // Dropping the view while the asset lives detaches it; the asset plays on without a listener.
  view.reset();
  asset->play();
  ASSERT_TRUE(pumpUntil([&] { return asset->isCapturing(); }));
  pumpFor(0.1);
}

}  // namespace
