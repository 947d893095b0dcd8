// A host program built against an installed kit: makes a view, lays it out, draws one frame. It has
// classes of its own named like the platform services the kit is built on: the kit's names stay in its
// namespace, so they never clash with a host's.
#include <cstdio>

#include "qv/core/QVObjectFactory.h"
#include "qv/os/OffscreenLayer.h"
#include "qv/platform/UIDeviceHardware.h"

struct Image {};
struct Timer {};
struct Layer {};
struct RunLoop {};
class URL {};

int main() {
  auto view = qv::QVObjectFactory::viewWithFrame(qv::QVRect{0, 0, 64, 32});
  if (!view) return 1;
  view->layoutSubviews();
  view->update();
  auto& layer = static_cast<qv::OffscreenLayer&>(*view->layer());
  std::printf("frames %d, device %s\n", layer.presentCount(), qv::UIDeviceHardware::platformString().c_str());
  return layer.presentCount() == 1 ? 0 : 1;
}
