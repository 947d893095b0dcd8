#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "qv/os/Image.h"
#include "qv/os/PixelBuffer.h"
#include "qv/os/RunLoop.h"
#include "qv/platform/QVContext.h"
#include "tests/support/ViewTestSupport.h"

using namespace qv;

namespace {

std::shared_ptr<Image> solid(uint8_t value) {
  std::vector<uint8_t> rgba(16 * 8 * 4, value);
  for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
  return Image::fromRGBA(16, 8, std::move(rgba));
}

class FrameInputThreadTest : public ::testing::Test {
 protected:
  void SetUp() override { view = makeLaidOutView(64, 64); }
  void TearDown() override { view.reset(); }
  uint8_t centre() { return framePixel(*view, 32, 32)[0]; }
  std::shared_ptr<QVViewGL> view;
};

}  // namespace

TEST_F(FrameInputThreadTest, NewestInjectedImageIsNeverLost) {
  std::atomic<bool> done{false};
  std::thread injector([&] {
    for (int i = 1; i <= 200; ++i) view->injectImage(solid(uint8_t(i)));
    done = true;
  });
  while (!done) view->update();
  injector.join();
  view->update();  // takes the last image if it is still pending
  view->update();
  EXPECT_EQ(centre(), 200);
}

TEST_F(FrameInputThreadTest, CaptureThreadUploadsRaceTheFrameLoopSafely) {
  std::vector<uint8_t> bytes(32 * 16 * 4);
  std::atomic<bool> stop{false};
  std::atomic<int> uploads{0};
  std::weak_ptr<QVViewGL> weak = view;
  std::thread capture([&] {
    uint8_t value = 0;
    while (!stop) {
      auto listener = weak.lock();
      if (!listener) break;
      std::fill(bytes.begin(), bytes.end(), ++value);
      auto buffer = PixelBuffer::create(32, 16);
      std::fill(buffer->baseAddress(), buffer->baseAddress() + 32 * 16 * 4, uint8_t(77));
      listener->onImageBuffer(buffer.get(), 0, 0, 32, 16);
      ++uploads;
    }
  });
  // Frames race the uploads until both have happened many times; a loaded machine may start the thread late.
  for (int i = 0; i < 100 || uploads < 20; ++i) view->update();
  stop = true;
  capture.join();
  view->update();
  EXPECT_EQ(centre(), 77);
  EXPECT_EQ(QVContext::getCurrentContext(), nullptr);
}

TEST_F(FrameInputThreadTest, TeardownWhileTheCaptureThreadDelivers) {
  std::weak_ptr<QVViewGL> weak = view;
  std::atomic<int> delivered{0};
  std::thread capture([&] {
    auto buffer = PixelBuffer::create(8, 8);
    while (auto listener = weak.lock()) {
      listener->onImageBuffer(buffer.get(), 0, 0, 8, 8);
      ++delivered;
    }
  });
  while (delivered < 20) view->update();
  view.reset();  // the last reference may now go on either thread
  capture.join();
  EXPECT_TRUE(weak.expired());
  EXPECT_EQ(QVContext::attachedViews(), 0);
}

TEST_F(FrameInputThreadTest, RawFramesFromAnotherThreadAreDrawnOnTheMainQueue) {
  RunLoop::main().adoptCurrentThread();
  std::vector<uint8_t> pixels(4 * 4 * 4, 200);
  std::thread other([&] { view->onVideoFrame(pixels.data(), 0, 0, 4, 4); });
  other.join();
  EXPECT_NE(view->frameInput().rawTexture(), 0u);
  RunLoop::main().runOnce();  // the posted frame is drawn here, on the main thread
}
