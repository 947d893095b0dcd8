// The kit's log: printf-style lines to a replaceable sink (stderr by default).
// Any thread may log; the sink is called under a lock, one whole line at a time, without the newline.
#pragma once

#include <functional>
#include <string_view>

void QVLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Replaces the sink; an empty function restores stderr. Returns the previous sink.
std::function<void(std::string_view)> QVLogSetSink(std::function<void(std::string_view)> sink);
