// Chooses the motion and compass sources of a program and installs them as the factories behind
// MotionManager::create() and LocationManager::create(): a recorded trace when one is given, otherwise the
// Industrial-I/O sensors when a usable one exists, otherwise no sensors. Says in one log line what it chose.
// Call on the main thread before creating views.
#pragma once

#include <optional>
#include <string>

#include "qv/os/IIOSensorTree.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

enum class MotionSourceKind {
  None = 0,      // no sensors: device motion unavailable, no samples, no heading
  Scripted = 1,  // a recorded trace replayed on the run loop's clock
  IIO = 2,       // Industrial-I/O sensors from sysfs
};

const char* motionSourceKindName(MotionSourceKind kind);  // "none", "trace", "iio"

// nullopt when the trace cannot be used (the reason is logged, nothing is installed); the program should
// stop.
std::optional<MotionSourceKind> installMotionSources(
    const std::optional<std::string>& tracePath, const std::string& iioRoot = IIOSensorTree::kDefaultRoot);

// Back to the kit's defaults (no sensors).
void uninstallMotionSources();

}  // namespace qv
QV_EXPORT_END
