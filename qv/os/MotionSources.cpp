#include "qv/os/MotionSources.h"

#include "qv/os/IIOLocationSource.h"
#include "qv/os/IIOMotionSource.h"
#include "qv/os/LocationManager.h"
#include "qv/os/MotionManager.h"
#include "qv/os/MotionTrace.h"
#include "qv/os/QVLog.h"
#include "qv/os/ScriptedLocationSource.h"
#include "qv/os/ScriptedMotionSource.h"

namespace qv {

const char* motionSourceKindName(MotionSourceKind kind) {
  switch (kind) {
    case MotionSourceKind::None:
      return "none";
    case MotionSourceKind::Scripted:
      return "trace";
    case MotionSourceKind::IIO:
      return "iio";
  }
  return "unknown";
}

std::optional<MotionSourceKind> installMotionSources(const std::optional<std::string>& tracePath,
                                                     const std::string& iioRoot) {
  if (tracePath) {
    std::shared_ptr<MotionTrace> trace = MotionTrace::load(*tracePath);
    if (!trace) return std::nullopt;
    // Every view replays the same recording, as every view on a phone reads the same sensors.
    MotionManager::setFactory([trace] { return std::make_shared<ScriptedMotionSource>(trace); });
    LocationManager::setFactory([trace] { return std::make_shared<ScriptedLocationSource>(trace); });
    QVLog("motion: replaying %s (%zu samples)", tracePath->c_str(), trace->samples().size());
    return MotionSourceKind::Scripted;
  }
  if (std::shared_ptr<IIOSensorTree> sensors = IIOSensorTree::open(iioRoot)) {
    MotionManager::setFactory([sensors] { return std::make_shared<IIOMotionSource>(sensors); });
    LocationManager::setFactory([sensors] { return std::make_shared<IIOLocationSource>(sensors); });
    QVLog("motion: IIO sensors: %s", sensors->description().c_str());
    return MotionSourceKind::IIO;
  }
  uninstallMotionSources();
  QVLog("motion: no motion sensors under %s; device motion is off", iioRoot.c_str());
  return MotionSourceKind::None;
}

void uninstallMotionSources() {
  MotionManager::setFactory(nullptr);
  LocationManager::setFactory(nullptr);
}

}  // namespace qv
