// The kit's public factory: panorama views and video assets.
#pragma once

#include <memory>
#include <string>

#include "qv/core/QVViewGL.h"
#include "qv/media/QVAssetObserver.h"
#include "qv/media/QVVideoStreamAsset.h"

class QVObjectFactory {
 public:
  // A new panorama view of the given frame (points), or nullptr.
  static std::shared_ptr<QVViewGL> viewWithFrame(QVRect frame) { return QVViewGL::create(frame); }
  // A video asset for the URL (a path, file:// or http(s)://), already loading. The observer is in place
  // before loading starts, so it receives the first code, 10.
  static std::shared_ptr<QVVideoStreamAsset> assetFromUrl(const std::string& url,
                                                          std::weak_ptr<QVAssetObserver> observer) {
    auto asset = QVVideoStreamAsset::alloc();
    asset->addObserver(std::move(observer));
    asset->initWithUrl(url);
    return asset;
  }
};
