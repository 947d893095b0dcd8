// Captures QVLog lines of `shown` level and above for its lifetime, then gives the sink and level back.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "qv/os/QVLog.h"

using namespace qv;

class LogCapture {
 public:
  explicit LogCapture(QVLogLevel shown = QVLogLevel::Info);
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;
  std::vector<std::string> lines;
  // The lines that start with `prefix`.
  size_t count(std::string_view prefix) const;

 private:
  std::function<void(std::string_view)> previous_;
  QVLogLevel previousLevel_;
};
