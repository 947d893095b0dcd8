// Opening a media input with FFmpeg the way the player does everywhere: network reads time out instead of
// hanging, and an optional flag lets another thread interrupt a blocking open or read.
#pragma once

#include <atomic>
#include <string>

struct AVFormatContext;

namespace qv {

// Opens `name` and reads its stream information. Returns 0 or an FFmpeg error code; on success *format
// is set (close it with avformat_close_input). `interrupt`, when given, must outlive the context.
int openInput(const std::string& name, AVFormatContext** format, const std::atomic<bool>* interrupt);

}  // namespace qv
