// The hand-over of decoded bands between two threads: every band arrives once and in order through a few
// reused buffers, the end comes only after the last band, a failure is kept for the uploader, and close()
// frees a side that waits on the other.
#include <gtest/gtest.h>

#include <thread>

#include "qv/media/BandQueue.h"

using namespace qv;

namespace {

constexpr int kBands = 200;

TEST(BandQueueThreadTest, BandsArriveInOrderAndTheEndComesAfterTheLast) {
  for (const std::string failure : {"", "corrupt data"}) {
    BandQueue queue(3, 16);
    std::thread decoder([&] {
      for (int i = 0; i < kBands; ++i) {
        BandQueue::Band* band = queue.takeEmpty();
        ASSERT_TRUE(band);
        band->bytes[0] = uint8_t(i);
        band->firstRow = i;
        queue.putFull(band);
      }
      queue.finish(failure);
    });
    int received = 0;
    while (BandQueue::Band* band = queue.takeFull()) {
      EXPECT_EQ(band->firstRow, received);
      EXPECT_EQ(band->bytes[0], uint8_t(received));
      ++received;
      queue.putEmpty(band);
    }
    decoder.join();
    EXPECT_EQ(received, kBands);
    EXPECT_EQ(queue.failure(), failure);
  }
}

TEST(BandQueueThreadTest, CloseFreesASideThatWaits) {
  BandQueue queue(2, 16);
  // The decoder has filled both buffers and waits for a third that the uploader never gives back.
  std::thread decoder([&] {
    while (BandQueue::Band* band = queue.takeEmpty()) queue.putFull(band);
  });
  BandQueue::Band* first = queue.takeFull();
  ASSERT_TRUE(first);
  queue.close();
  decoder.join();
  EXPECT_EQ(queue.takeFull(), nullptr);  // closed: nothing more, even with a band left over
  // The uploader waiting for a band that never comes is freed the same way.
  BandQueue idle(1, 16);
  std::thread uploader([&] { EXPECT_EQ(idle.takeFull(), nullptr); });
  idle.close();
  uploader.join();
}

}  // namespace
