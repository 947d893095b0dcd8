// The status codes an asset reports to its observers, with the platform's numeric values. Codes 11 to 13
// are messages only: getStatus never returns them.
#pragma once

#include <cstdint>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

enum class AssetStatus : int32_t {
  Ready = 1,            // loaded: duration and tracks known, nothing playing yet
  Playing = 2,          // frames are delivered
  Paused = 3,           // playback held at the current time
  Stopped = 4,          // the capture thread ended
  Finished = 5,         // played to the end
  Failed = 9,           // the media cannot be played; the log says why
  Loading = 10,         // loading or seeking
  BufferEmpty = 11,     // playback waits for data
  BufferFull = 12,      // enough data is buffered
  LikelyToKeepUp = 13,  // the stream arrives fast enough to play on
};

}  // namespace qv
QV_EXPORT_END
