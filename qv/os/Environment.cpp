#include "qv/os/Environment.h"

#include <sys/utsname.h>

namespace qv {

Environment& Environment::current() {
  static Environment* environment = new Environment();
  return *environment;
}

QVRect Environment::screenBounds() const {
  std::lock_guard<std::mutex> guard(lock_);
  return screen_;
}

double Environment::screenScale() const {
  std::lock_guard<std::mutex> guard(lock_);
  return scale_;
}

int Environment::deviceOrientation() const {
  std::lock_guard<std::mutex> guard(lock_);
  return orientation_;
}

std::string Environment::systemVersion() const {
  std::lock_guard<std::mutex> guard(lock_);
  if (version_) return *version_;
  return kGraphicsGeneration;
}

std::string Environment::machine() const {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (machine_) return *machine_;
  }
  struct utsname name {};
  if (uname(&name) != 0) return "";
  return name.machine;
}

void Environment::setScreen(QVRect bounds, double scale) {
  std::lock_guard<std::mutex> guard(lock_);
  screen_ = bounds;
  scale_ = scale;
}

void Environment::setDeviceOrientation(int orientation) {
  std::lock_guard<std::mutex> guard(lock_);
  orientation_ = orientation;
}

void Environment::setSystemVersion(std::string version) {
  std::lock_guard<std::mutex> guard(lock_);
  version_ = std::move(version);
}

void Environment::setMachine(std::optional<std::string> machine) {
  std::lock_guard<std::mutex> guard(lock_);
  machine_ = std::move(machine);
}

void Environment::reset() {
  std::lock_guard<std::mutex> guard(lock_);
  screen_ = {};
  scale_ = 1.0;
  orientation_ = 0;
  version_.reset();
  machine_.reset();
}

}  // namespace qv
