// The status codes an asset reports to its observers, with the platform's numeric values. Codes 11 to 13
// are messages only: getStatus never returns them.
#pragma once

#include <cstdint>

enum class AssetStatus : int32_t {
  Ready = 1,
  Playing = 2,
  Paused = 3,
  Stopped = 4,
  Finished = 5,
  Failed = 9,
  Loading = 10,  // loading or seeking
  BufferEmpty = 11,
  BufferFull = 12,
  LikelyToKeepUp = 13,
};
