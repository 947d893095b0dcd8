// The kit's public factory: panorama views and video assets.
#pragma once

#include <memory>
#include <string>

#include "qv/core/QVViewGL.h"
#include "qv/media/QVAssetObserver.h"
#include "qv/media/QVVideoStreamAsset.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class QVObjectFactory {
 public:
  // A new panorama view of the given frame (points), or nullptr with the reason in `whyNot` (when given).
  static std::shared_ptr<QVViewGL> viewWithFrame(QVRect frame, std::string* whyNot = nullptr) {
    return QVViewGL::create(frame, whyNot);
  }
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

}  // namespace qv
QV_EXPORT_END
