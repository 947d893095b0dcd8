// Implemented by the host: receives the asset's status codes on the main thread.
#pragma once

#include <cstdint>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class QVAsset;

class QVAssetObserver {
 public:
  virtual ~QVAssetObserver() = default;
  virtual void onStatusMessage(QVAsset* asset, int32_t message) = 0;
};

}  // namespace qv
QV_EXPORT_END
