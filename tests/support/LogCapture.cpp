#include "tests/support/LogCapture.h"

#include "qv/os/QVLog.h"

using namespace qv;

LogCapture::LogCapture(QVLogLevel shown) : previousLevel_(QVLogSetLevel(shown)) {
  previous_ = QVLogSetSink([this](std::string_view line) { lines.emplace_back(line); });
}

LogCapture::~LogCapture() {
  QVLogSetSink(previous_);
  QVLogSetLevel(previousLevel_);
}

size_t LogCapture::count(std::string_view prefix) const {
  size_t n = 0;
  for (const auto& line : lines) n += line.rfind(prefix, 0) == 0;
  return n;
}
