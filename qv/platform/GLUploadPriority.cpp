#include "qv/platform/GLUploadPriority.h"

#include <condition_variable>
#include <mutex>

namespace qv {

namespace {

struct Announcements {
  std::mutex lock;
  std::condition_variable done;
  int count = 0;  // guarded by lock
};

Announcements& announcements() {
  static auto* shared = new Announcements();
  return *shared;
}

}  // namespace

GLUploadPriority::Announcement::Announcement() {
  auto& shared = announcements();
  std::lock_guard<std::mutex> guard(shared.lock);
  ++shared.count;
}

GLUploadPriority::Announcement::~Announcement() {
  auto& shared = announcements();
  {
    std::lock_guard<std::mutex> guard(shared.lock);
    --shared.count;
  }
  shared.done.notify_all();
}

void GLUploadPriority::yieldToUploads(std::chrono::milliseconds limit) {
  auto& shared = announcements();
  std::unique_lock<std::mutex> lock(shared.lock);
  shared.done.wait_for(lock, limit, [&] { return shared.count == 0; });
}

int GLUploadPriority::announcedUploads() {
  auto& shared = announcements();
  std::lock_guard<std::mutex> guard(shared.lock);
  return shared.count;
}

}  // namespace qv
