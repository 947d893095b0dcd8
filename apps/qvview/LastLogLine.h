// Keeps the kit's last log line while it lives, instead of letting it reach stderr: qvview turns the
// kit's reason into the one message the user sees. The sink is swapped under the log's own lock, so a
// line logged by another thread is safely read once the object is gone or through text().
#pragma once

#include <string>

#include "qv/os/QVLog.h"

using namespace qv;

class LastLogLine {
 public:
  LastLogLine() : previous_(QVLogSetSink([this](std::string_view line) { line_ = line; })) {}
  ~LastLogLine() { restore(); }
  LastLogLine(const LastLogLine&) = delete;
  LastLogLine& operator=(const LastLogLine&) = delete;

  // Puts the previous sink back and returns the last line captured.
  const std::string& text() {
    restore();
    return line_;
  }

 private:
  void restore() {
    if (restored_) return;
    QVLogSetSink(previous_);
    restored_ = true;
  }
  std::function<void(std::string_view)> previous_;
  std::string line_;
  bool restored_ = false;
};
