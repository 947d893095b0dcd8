// A redraw lets an announced upload go first, but never waits on it for longer than asked.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "qv/platform/GLUploadPriority.h"

using namespace qv;

TEST(GLUploadPriority, ARedrawWaitsForAnAnnouncedUploadButNotForEver) {
  EXPECT_EQ(GLUploadPriority::announcedUploads(), 0);
  GLUploadPriority::yieldToUploads(std::chrono::hours(1));  // nothing announced: returns at once

  std::atomic<bool> uploaded{false};
  std::promise<void> announced;
  std::thread upload([&] {
    GLUploadPriority::Announcement announcement;
    announced.set_value();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    uploaded = true;
  });
  announced.get_future().wait();
  GLUploadPriority::yieldToUploads(std::chrono::hours(1));
  EXPECT_TRUE(uploaded);
  upload.join();

  // An upload that stays announced holds a redraw back only for the limit.
  std::promise<void> held, release;
  std::thread stuck([&] {
    GLUploadPriority::Announcement announcement;
    held.set_value();
    release.get_future().wait();
  });
  held.get_future().wait();
  GLUploadPriority::yieldToUploads(std::chrono::milliseconds(20));
  EXPECT_EQ(GLUploadPriority::announcedUploads(), 1);
  release.set_value();
  stuck.join();
  EXPECT_EQ(GLUploadPriority::announcedUploads(), 0);
}
