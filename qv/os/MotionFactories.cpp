#include <mutex>

#include "qv/os/LocationManager.h"
#include "qv/os/MotionManager.h"

namespace qv {

namespace {

std::mutex factoryLock;
MotionManager::Factory motionFactory;
LocationManager::Factory locationFactory;

}  // namespace

std::shared_ptr<MotionManager> MotionManager::create() {
  Factory factory;
  {
    std::lock_guard<std::mutex> guard(factoryLock);
    factory = motionFactory;
  }
  if (factory) {
    if (auto manager = factory()) return manager;
  }
  return std::make_shared<NullMotionManager>();
}

void MotionManager::setFactory(Factory factory) {
  std::lock_guard<std::mutex> guard(factoryLock);
  motionFactory = std::move(factory);
}

std::shared_ptr<LocationManager> LocationManager::create() {
  Factory factory;
  {
    std::lock_guard<std::mutex> guard(factoryLock);
    factory = locationFactory;
  }
  if (factory) {
    if (auto manager = factory()) return manager;
  }
  return std::make_shared<NullLocationManager>();
}

void LocationManager::setFactory(Factory factory) {
  std::lock_guard<std::mutex> guard(factoryLock);
  locationFactory = std::move(factory);
}

}  // namespace qv
