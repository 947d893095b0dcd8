// Implemented by the host: receives the asset's status codes on the main thread.
#pragma once

#include <cstdint>

class QVAsset;

class QVAssetObserver {
 public:
  virtual ~QVAssetObserver() = default;
  virtual void onStatusMessage(QVAsset* asset, int32_t message) = 0;
};
