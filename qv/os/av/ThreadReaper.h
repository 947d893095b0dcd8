// Joins the threads that nobody else can join: a thread that tears down the object owning it (the last
// reference to a video asset or a player item dropped on its own thread) cannot join itself, and a
// loading worker belongs to no object. Such a thread is handed over here as it ends its work and is
// joined on the reaper's thread; at process exit the reaper joins what is left, then itself, so no
// thread the kit started is still running when the process's static objects go. Any thread may call.
#pragma once

#include <thread>

namespace qv {

class ThreadReaper {
 public:
  // Takes `thread` (joinable, possibly the calling one) to be joined once it has ended.
  static void adopt(std::thread thread);
  // Returns once every thread adopted before the call has been joined. Not from an adopted thread.
  static void drain();
};

}  // namespace qv
