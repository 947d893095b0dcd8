// Implemented by the host: receives the playback time on the main thread.
#pragma once

#include "qv/os/av/MediaTime.h"

class QVAsset;

class QVAssetTimeMonitor {
 public:
  virtual ~QVAssetTimeMonitor() = default;
  virtual void onPlayerTime(QVAsset* asset, MediaTime time) = 0;
};
