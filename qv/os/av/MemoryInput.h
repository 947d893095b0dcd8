// A demuxer over bytes in memory: FFmpeg reads them through a custom I/O context instead of a file or a
// network protocol. The bytes are copied, so the caller's may go once open returns.
#pragma once

#include <cstdint>
#include <span>

struct AVFormatContext;

namespace qv {

// Opens the bytes as media and reads their stream information. Returns 0 or an FFmpeg error code; on
// success *format is set, to be closed with closeMemoryInput (which also frees the I/O context).
int openMemoryInput(std::span<const uint8_t> bytes, AVFormatContext** format);
void closeMemoryInput(AVFormatContext** format);

}  // namespace qv
