#include "qv/os/PixelBufferPool.h"

#include <gtest/gtest.h>

using namespace qv;

TEST(PixelBufferPoolTest, ReusesTheBytesOfReturnedBuffersAndOutlivesNothing) {
  auto pool = PixelBufferPool::create(64, 32, 2);
  ASSERT_TRUE(pool);
  EXPECT_FALSE(PixelBufferPool::create(0, 32));
  uint8_t* first;
  {
    auto a = pool->createPixelBuffer();
    ASSERT_TRUE(a);
    EXPECT_EQ(a->width(), 64);
    EXPECT_EQ(a->bytesPerRow(), 256u);
    first = a->baseAddress();
  }
  auto b = pool->createPixelBuffer();
  EXPECT_EQ(b->baseAddress(), first);
  auto c = pool->createPixelBuffer();
  EXPECT_NE(c->baseAddress(), first);
  for (int i = 0; i < 100; ++i) pool->createPixelBuffer();
  EXPECT_EQ(pool->allocationCount(), 3u);
  // A buffer still out when the pool goes keeps its bytes until its own last reference goes.
  pool.reset();
  b->baseAddress()[0] = 7;
  EXPECT_EQ(b->baseAddress()[0], 7);
}
