// The public, abstract panorama view that a host places in its window. It has a frame (points) and a layer
// that backs its drawable. QVViewGL is the one concrete view; here displayAsset and setNavigationMode do
// nothing. Views are made by QVObjectFactory and owned by the host through std::shared_ptr.
#pragma once

#include <cstdint>
#include <memory>

#include "qv/os/Environment.h"
#include "qv/platform/Responder.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class QVAsset;
class Layer;

class QVView : public Responder {
 public:
  ~QVView() override = default;
  Kind responderKind() const override { return Kind::View; }

  virtual void displayAsset(std::shared_ptr<QVAsset> asset) { (void)asset; }
  virtual void setNavigationMode(int32_t mode) { (void)mode; }

  QVRect frame() const { return frame_; }
  QVRect bounds() const { return QVRect{0, 0, frame_.width, frame_.height}; }

 protected:
  QVRect frame_;
};

}  // namespace qv
QV_EXPORT_END
