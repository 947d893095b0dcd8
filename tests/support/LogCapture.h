// Captures QVLog lines for its lifetime, then gives the sink back.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;
  std::vector<std::string> lines;
  // The lines that start with `prefix`.
  size_t count(std::string_view prefix) const;

 private:
  std::function<void(std::string_view)> previous_;
};
