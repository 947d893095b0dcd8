// What the kit asks of the device it runs on: the main screen's bounds (points) and scale, the device's
// orientation, the system version and the machine string. The host sets what it knows; everything else
// defaults to the running system (uname, for the machine), the kit's graphics generation, or to "no screen"
// (zero bounds, scale 1, orientation unknown). Thread-safe: any thread may read while the host updates.
#pragma once

#include <mutex>
#include <optional>
#include <string>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

struct QVRect {
  double x = 0, y = 0, width = 0, height = 0;
};

class Environment {
 public:
  static Environment& current();

  QVRect screenBounds() const;
  double screenScale() const;
  // 0 unknown, 1 portrait, 2 portrait upside down, 3 and 4 landscape, 5 face up, 6 face down.
  int deviceOrientation() const;
  // The graphics platform's generation: what the kit's renderers were written for. Not the kernel's release,
  // whose numbering says nothing about the GL the kit draws with. A host may set another.
  std::string systemVersion() const;
  // The generation of the GL ES 1.1 platform with framebuffer objects that qv/os provides.
  static constexpr const char* kGraphicsGeneration = "7.0";
  // The hardware model string; empty when the system cannot tell.
  std::string machine() const;

  void setScreen(QVRect bounds, double scale);
  void setDeviceOrientation(int orientation);
  void setSystemVersion(std::string version);
  // nullopt returns to the system's own answer.
  void setMachine(std::optional<std::string> machine);
  // Back to the defaults of the running system.
  void reset();

 private:
  Environment() = default;
  mutable std::mutex lock_;
  QVRect screen_;
  double scale_ = 1.0;
  int orientation_ = 0;
  std::optional<std::string> version_;
  std::optional<std::string> machine_;
};

}  // namespace qv
QV_EXPORT_END
