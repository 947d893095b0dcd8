// The reaper joins threads that hand themselves over as they end, and drain() waits for them.
#include <gtest/gtest.h>

#include <dirent.h>

#include <fstream>
#include <future>
#include <string>
#include <thread>

#include "qv/os/ThreadName.h"
#include "qv/os/av/ThreadReaper.h"

using namespace qv;

namespace {

// Threads of this process named `name` (at most 15 characters, as the OS keeps them).
int threadsNamed(const std::string& name) {
  int count = 0;
  DIR* tasks = opendir("/proc/self/task");
  if (!tasks) return -1;
  while (dirent* entry = readdir(tasks)) {
    std::ifstream comm(std::string("/proc/self/task/") + entry->d_name + "/comm");
    std::string line;
    count += entry->d_name[0] != '.' && std::getline(comm, line) && line == name;
  }
  closedir(tasks);
  return count;
}

TEST(ThreadReaperTest, ThreadsThatHandThemselvesOverAreJoinedByTheTimeDrainReturns) {
  constexpr int kThreads = 8;
  for (int i = 0; i < kThreads; ++i) {
    // Each thread owns its own std::thread, as an object torn down on its own thread does.
    auto handle = std::make_shared<std::promise<std::thread>>();
    auto handedOver = std::make_shared<std::promise<void>>();
    auto done = handedOver->get_future();
    std::thread thread([handle, handedOver] {
      setCurrentThreadName("qv.reapTest");
      ThreadReaper::adopt(handle->get_future().get());
      handedOver->set_value();
    });
    handle->set_value(std::move(thread));
    done.wait();
  }
  ThreadReaper::drain();
  EXPECT_EQ(threadsNamed("qv.reapTest"), 0);
  ThreadReaper::adopt(std::thread());  // nothing to join: ignored
  ThreadReaper::drain();
}

}  // namespace
