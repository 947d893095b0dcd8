// New pictures go before redraws of old ones on the one GL lock. A redraw takes the lock for a whole frame
// and, when frames run back to back, takes it again the moment it lets go; a texture upload waiting behind
// it can then miss its video frame's time. An upload announces itself for as long as it waits and works,
// and the frame loop lets announced uploads go first (for a bounded time, so drawing never starves).
#pragma once

#include <chrono>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class GLUploadPriority {
 public:
  // Held by an upload from before it takes the GL lock until after it lets go.
  class Announcement {
   public:
    Announcement();
    ~Announcement();
    Announcement(const Announcement&) = delete;
    Announcement& operator=(const Announcement&) = delete;
  };

  // Called without the GL lock: returns once no upload is announced, or after `limit`.
  static void yieldToUploads(std::chrono::milliseconds limit);
  static int announcedUploads();
};

}  // namespace qv
QV_EXPORT_END
