// The kit's log: printf-style lines to a replaceable sink (stderr by default), each with a level.
// Lines below the shown level (info unless QV_LOG_LEVEL names another, or QVLogSetLevel changes it) are
// dropped before formatting. Any thread may log; the sink is called under a lock, one whole line at a
// time, without the newline.
#pragma once

#include <functional>
#include <string_view>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

enum class QVLogLevel { Debug = 0, Info = 1, Warning = 2, Error = 3 };

// An info line.
void QVLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
void QVLogAt(QVLogLevel level, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Replaces the sink; an empty function restores stderr. Returns the previous sink.
std::function<void(std::string_view)> QVLogSetSink(std::function<void(std::string_view)> sink);
// Sets the lowest level that reaches the sink; returns the previous one.
QVLogLevel QVLogSetLevel(QVLogLevel shown);
bool QVLogShows(QVLogLevel level);
// The level named by "debug", "info", "warning" or "error"; `fallback` for anything else.
QVLogLevel QVLogLevelNamed(std::string_view name, QVLogLevel fallback);

}  // namespace qv
QV_EXPORT_END
