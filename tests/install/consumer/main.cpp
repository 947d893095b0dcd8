// A host program built against an installed kit: makes a view, lays it out, draws one frame.
#include <cstdio>

#include "qv/core/QVObjectFactory.h"
#include "qv/os/OffscreenLayer.h"
#include "qv/platform/UIDeviceHardware.h"

int main() {
  auto view = QVObjectFactory::viewWithFrame(QVRect{0, 0, 64, 32});
  if (!view) return 1;
  view->layoutSubviews();
  view->update();
  auto& layer = static_cast<OffscreenLayer&>(*view->layer());
  std::printf("frames %d, device %s\n", layer.presentCount(), UIDeviceHardware::platformString().c_str());
  return layer.presentCount() == 1 ? 0 : 1;
}
