// Implemented by the host: receives the playback time on the main thread.
#pragma once

#include "qv/os/av/MediaTime.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class QVAsset;

class QVAssetTimeMonitor {
 public:
  virtual ~QVAssetTimeMonitor() = default;
  virtual void onPlayerTime(QVAsset* asset, MediaTime time) = 0;
};

}  // namespace qv
QV_EXPORT_END
