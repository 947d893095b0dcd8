#include "qv/os/QVLog.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

namespace qv {

namespace {

std::mutex& sinkLock() {
  static std::mutex lock;
  return lock;
}

std::function<void(std::string_view)>& sink() {
  static std::function<void(std::string_view)> current;
  return current;
}

std::atomic<int>& shownLevel() {
  static std::atomic<int> level{[] {
    const char* name = std::getenv("QV_LOG_LEVEL");
    return int(QVLogLevelNamed(name ? name : "", QVLogLevel::Info));
  }()};
  return level;
}

void logLine(QVLogLevel level, const char* format, va_list args) {
  if (!QVLogShows(level)) return;
  va_list copy;
  va_copy(copy, args);
  int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string line(length > 0 ? size_t(length) : 0, '\0');
  if (length > 0) std::vsnprintf(line.data(), line.size() + 1, format, args);

  std::lock_guard<std::mutex> guard(sinkLock());
  if (sink()) {
    sink()(line);
  } else {
    std::fprintf(stderr, "%s\n", line.c_str());
  }
}

}  // namespace

void QVLog(const char* format, ...) {
  va_list args;
  va_start(args, format);
  logLine(QVLogLevel::Info, format, args);
  va_end(args);
}

void QVLogAt(QVLogLevel level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  logLine(level, format, args);
  va_end(args);
}

std::function<void(std::string_view)> QVLogSetSink(std::function<void(std::string_view)> replacement) {
  std::lock_guard<std::mutex> guard(sinkLock());
  auto previous = std::move(sink());
  sink() = std::move(replacement);
  return previous;
}

QVLogLevel QVLogSetLevel(QVLogLevel shown) {
  return QVLogLevel(shownLevel().exchange(int(shown)));
}

bool QVLogShows(QVLogLevel level) {
  return int(level) >= shownLevel().load(std::memory_order_relaxed);
}

QVLogLevel QVLogLevelNamed(std::string_view name, QVLogLevel fallback) {
  if (name == "debug") return QVLogLevel::Debug;
  if (name == "info") return QVLogLevel::Info;
  if (name == "warning") return QVLogLevel::Warning;
  if (name == "error") return QVLogLevel::Error;
  return fallback;
}

}  // namespace qv
