// Still images loaded from files off the main thread: a preview first, then the full resolution in bands,
// which shows what the synchronous path shows; replacing a load, dropping the view while it loads, and
// bad files that end in "failed" with the previous picture kept.
#include <gtest/gtest.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "qv/os/Image.h"
#include "qv/os/OffscreenLayer.h"
#include "qv/os/RunLoop.h"
#include "tests/support/LogCapture.h"
#include "tests/support/ViewTestSupport.h"

using namespace qv;

namespace {

constexpr int kWidth = 4096, kHeight = 2048, kView = 256, kTileLimit = 1024;

// A file name in the temporary folder that no other test process uses (the threaded suites of several
// builds may run at once).
std::string tempPath(const std::string& name) {
  return ::testing::TempDir() + "qv-load-" + std::to_string(getpid()) + "-" + name;
}

// Fine detail (waves of 7 columns and 5 rows) that a preview at a quarter of the size cannot hold, over
// slow bands; `shift` moves the bands so two files differ everywhere.
std::string writeJPEG(const std::string& name, int shift) {
  std::vector<uint8_t> rgb(size_t(kWidth) * kHeight * 3);
  auto wave = [](int i, double period) {
    return uint8_t(127.5 + 127 * std::sin(2 * std::numbers::pi * i / period));
  };
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      uint8_t* p = &rgb[(size_t(y) * kWidth + size_t(x)) * 3];
      p[0] = wave(x, 7), p[1] = wave(y, 5), p[2] = wave(x + y + shift, 300);
    }
  tjhandle handle = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  tjCompress2(handle, rgb.data(), kWidth, 0, kHeight, TJPF_RGB, &jpeg, &size, TJSAMP_444, 95, 0);
  const std::string path = tempPath(name);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<char*>(jpeg), std::streamsize(size));
  tjFree(jpeg);
  tjDestroy(handle);
  return path;
}

std::vector<uint8_t> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

std::shared_ptr<QVViewGL> makeView() {
  auto view = makeLaidOutView(kView, kView);
  view->setFieldOfView(20);
  view->setRotationX(30);
  view->setRotationY(10);
  view->setMaximumTileSize(kTileLimit);
  return view;
}

std::vector<uint8_t> frame(QVViewGL& view) {
  view.update();
  return static_cast<OffscreenLayer&>(*view.layer()).lastFrame();
}

// Sum of the differences between horizontal neighbours: how much fine detail a frame shows.
double detail(const std::vector<uint8_t>& pixels) {
  double sum = 0;
  for (size_t p = 4; p < pixels.size(); p += 4)
    for (int c = 0; c < 3; ++c) sum += std::abs(int(pixels[p + c]) - int(pixels[p - 4 + c]));
  return sum;
}

int largestDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  EXPECT_EQ(a.size(), b.size());
  int largest = 0;
  for (size_t p = 0; p < std::min(a.size(), b.size()); ++p)
    if (p % 4 != 3) largest = std::max(largest, std::abs(int(a[p]) - int(b[p])));
  return largest;
}

// Pumps the main run loop until the view's load has ended (full or failed).
void waitForLoad(QVViewGL& view) {
  while (view.imageLoadState() != ImageLoadState::Full && view.imageLoadState() != ImageLoadState::Failed)
    RunLoop::main().runFor(0.01);
}

long statusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::char_traits<char>::length(field));
  return 0;
}

// What the synchronous path shows for the same file.
std::vector<uint8_t> synchronousFrame(const std::string& path) {
  auto view = makeView();
  EXPECT_TRUE(view->setImage(Image::fromFile(path)));
  return frame(*view);
}

}  // namespace

TEST(ImageLoadThreadTest, APreviewComesFirstThenTheFullResolutionReplacesIt) {
  const std::string path = writeJPEG("a.jpg", 0);
  auto view = makeView();
  std::vector<ImageLoadState> states;
  std::vector<uint8_t> previewFrame;
  view->setImageLoadObserver([&](ImageLoadState state) {
    states.push_back(state);
    // The full resolution waits for this call to return: this frame is the preview alone.
    if (state == ImageLoadState::Preview) previewFrame = frame(*view);
  });
  view->loadImage(path);
  waitForLoad(*view);
  ASSERT_EQ(states, (std::vector<ImageLoadState>{ImageLoadState::Preview, ImageLoadState::Full}));
  EXPECT_TRUE(view->imageLoadFailure().empty());
  const std::vector<uint8_t> fullFrame = frame(*view);
  // The preview is the same picture, blurred: close in its slow bands, far poorer in detail.
  EXPECT_LT(detail(previewFrame), 0.5 * detail(fullFrame));
  EXPECT_GT(detail(previewFrame), 0.0);
  EXPECT_LE(largestDifference(fullFrame, synchronousFrame(path)), 2);
  RunLoop::main().runFor(0.05);
  EXPECT_EQ(states.size(), 2u);  // reported once
  std::remove(path.c_str());
}

TEST(ImageLoadThreadTest, APNGLoadsInBandsWithoutAPreview) {
  const std::string jpeg = writeJPEG("for-png.jpg", 0), path = tempPath("a.png");
  // Written fast (little compression): the decoder is what is under test.
  ASSERT_EQ(
      std::system(
          ("ffmpeg -nostdin -v error -y -i '" + jpeg + "' -compression_level 1 '" + path + "'").c_str()),
      0);
  auto view = makeView();
  std::vector<ImageLoadState> states;
  view->setImageLoadObserver([&](ImageLoadState state) { states.push_back(state); });
  view->loadImage(path);
  waitForLoad(*view);
  EXPECT_EQ(states, std::vector<ImageLoadState>{ImageLoadState::Full}) << view->imageLoadFailure();
  EXPECT_LE(largestDifference(frame(*view), synchronousFrame(path)), 2);
  std::remove(jpeg.c_str());
  std::remove(path.c_str());
}

TEST(ImageLoadThreadTest, TheLastImageWinsAndAViewDroppedWhileLoadingStopsItsLoader) {
  const std::string first = writeJPEG("first.jpg", 0), second = writeJPEG("second.jpg", 150);
  {
    auto view = makeView();
    view->loadImage(first);
    view->loadImage(second);
    waitForLoad(*view);
    EXPECT_EQ(view->imageLoadState(), ImageLoadState::Full);
    EXPECT_LE(largestDifference(frame(*view), synchronousFrame(second)), 2);

    // Replaced from the preview's own report, while the first load waits to go on.
    bool replaced = false;
    view->setImageLoadObserver([&](ImageLoadState state) {
      if (state == ImageLoadState::Preview && !replaced) view->loadImage(second);
      replaced = true;
    });
    view->loadImage(first);
    waitForLoad(*view);
    EXPECT_LE(largestDifference(frame(*view), synchronousFrame(second)), 2);
    view->setImageLoadObserver({});

    // A host image replaces a load under way.
    view->loadImage(first);
    const auto mine = Image::fromFile(second);
    ASSERT_TRUE(view->setImage(mine));
    EXPECT_EQ(view->imageLoadState(), ImageLoadState::None);
    RunLoop::main().runFor(0.05);
    EXPECT_LE(largestDifference(frame(*view), synchronousFrame(second)), 2);

    // ... and the state of a load that has finished.
    view->loadImage(first);
    waitForLoad(*view);
    ASSERT_TRUE(view->setImage(mine));
    EXPECT_EQ(view->imageLoadState(), ImageLoadState::None);
  }
  for (int i = 0; i < 3; ++i) {
    auto view = makeView();
    view->loadImage(first);
    if (i > 0) RunLoop::main().runFor(0.02 * i);
  }  // the view goes mid-load: its loader is stopped and joined, its textures deleted
  RunLoop::main().runFor(0.05);  // late reports of the dropped views find nobody
  std::remove(first.c_str());
  std::remove(second.c_str());
}

TEST(ImageLoadThreadTest, ABadFileEndsInFailedAndKeepsThePreviousPicture) {
  const std::string good = writeJPEG("good.jpg", 0);
  const std::vector<uint8_t> bytes = readFile(good);
  const std::string truncated = tempPath("truncated.jpg");
  std::ofstream(truncated, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size() * 2 / 3));
  const std::string notAnImage = tempPath("text.jpg");
  std::ofstream(notAnImage) << "not a picture at all";

  auto view = makeView();
  view->loadImage(good);
  waitForLoad(*view);
  const std::vector<uint8_t> before = frame(*view);
  struct Case {
    std::string path, reason, logged;
  };
  for (const Case& bad :
       {Case{truncated, "corrupt or truncated JPEG data", "Image " + truncated + ": corrupt"},
        Case{notAnImage, "unknown format", "Image " + notAnImage + ": unknown format"},
        Case{tempPath("missing.jpg"), "no such file", "Image "}}) {
    SCOPED_TRACE(bad.path);
    LogCapture log;
    view->loadImage(bad.path);
    waitForLoad(*view);
    EXPECT_EQ(view->imageLoadState(), ImageLoadState::Failed);
    EXPECT_EQ(view->imageLoadFailure().rfind(bad.reason, 0), 0u) << view->imageLoadFailure();
    EXPECT_EQ(log.count(bad.logged), 1u);
    EXPECT_EQ(log.count("Image "), 1u);  // one line
    EXPECT_EQ(largestDifference(frame(*view), before), 0);
  }
  std::remove(good.c_str());
  std::remove(truncated.c_str());
  std::remove(notAnImage.c_str());
}

TEST(ImageLoadThreadTest, AHeaderThatPromisesMoreRowsThanTheDataHoldsCostsLittle) {
  // A real 64 x 64 JPEG whose frame header is made to say 65500 x 32768: a preview of 8188 x 4096
  // (128 MiB) would be due, but the data ends after a few blocks.
  std::vector<uint8_t> rgb(64 * 64 * 3, 90);
  tjhandle handle = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  tjCompress2(handle, rgb.data(), 64, 0, 64, TJPF_RGB, &jpeg, &size, TJSAMP_420, 90, 0);
  std::vector<uint8_t> bytes(jpeg, jpeg + size);
  tjFree(jpeg);
  tjDestroy(handle);
  for (size_t i = 0; i + 9 < bytes.size(); ++i) {
    if (bytes[i] != 0xFF || bytes[i + 1] != 0xC0) continue;
    bytes[i + 5] = 0x80, bytes[i + 6] = 0x00;  // height 32768
    bytes[i + 7] = 0xFF, bytes[i + 8] = 0xDC;  // width 65500, the decoder's largest
    break;
  }
  const std::string path = tempPath("liar.jpg");
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  auto view = makeLaidOutView(kView, kView);
  view->update();
  std::ofstream("/proc/self/clear_refs") << "5";  // restarts the peak at the current size
  const long before = statusKiB("VmRSS:");
  LogCapture log;
  view->loadImage(path);
  waitForLoad(*view);
  EXPECT_EQ(view->imageLoadState(), ImageLoadState::Failed);
  EXPECT_EQ(view->imageLoadFailure().rfind("corrupt or truncated JPEG data", 0), 0u)
      << view->imageLoadFailure();
  EXPECT_LT(statusKiB("VmHWM:") - before, 48 * 1024) << "KiB above the " << before << " KiB before";
  std::remove(path.c_str());
}
