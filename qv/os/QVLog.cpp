#include "qv/os/QVLog.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

namespace {

std::mutex& sinkLock() {
  static std::mutex lock;
  return lock;
}

std::function<void(std::string_view)>& sink() {
  static std::function<void(std::string_view)> current;
  return current;
}

}  // namespace

void QVLog(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string line(length > 0 ? size_t(length) : 0, '\0');
  if (length > 0) std::vsnprintf(line.data(), line.size() + 1, format, args);
  va_end(args);

  std::lock_guard<std::mutex> guard(sinkLock());
  if (sink()) {
    sink()(line);
  } else {
    std::fprintf(stderr, "%s\n", line.c_str());
  }
}

std::function<void(std::string_view)> QVLogSetSink(std::function<void(std::string_view)> replacement) {
  std::lock_guard<std::mutex> guard(sinkLock());
  auto previous = std::move(sink());
  sink() = std::move(replacement);
  return previous;
}
