#include "qv/platform/UIDeviceHardware.h"

#include <utility>

#include "qv/os/Environment.h"

namespace qv {

std::string UIDeviceHardware::platform() {
  return Environment::current().machine();
}

std::string UIDeviceHardware::platformString() {
  return platformString(platform());
}

int32_t UIDeviceHardware::platformClass() {
  return platformClass(platform());
}

std::string UIDeviceHardware::platformString(const std::string& machine) {
  static const std::pair<const char*, const char*> kNames[] = {
      {"iPhone1,1", "iPhone 1G"},
      {"iPhone1,2", "iPhone 3G"},
      {"iPhone2,1", "iPhone 3GS"},
      {"iPhone3,1", "iPhone 4"},
      {"iPhone3,3", "Verizon iPhone 4"},
      {"iPhone4,1", "iPhone 4S"},
      {"iPod1,1", "iPod Touch 1G"},
      {"iPod2,1", "iPod Touch 2G"},
      {"iPod3,1", "iPod Touch 3G"},
      {"iPod4,1", "iPod Touch 4G"},
      {"iPad1,1", "iPad"},
      {"iPad2,1", "iPad 2 (WiFi)"},
      {"iPad2,2", "iPad 2 (GSM)"},
      {"iPad2,3", "iPad 2 (CDMA)"},
      {"iPad3,1", "iPad 3 (WiFi)"},
      {"iPad3,2", "iPad 3 (4G)"},
      {"iPad3,3", "iPad 3 (4G)"},
      {"i386", "Simulator"},
      {"x86_64", "Simulator"},
  };
  for (const auto& [model, name] : kNames) {
    if (machine == model) return name;
  }
  return machine;
}

int32_t UIDeviceHardware::platformClass(const std::string& machine) {
  static const std::pair<const char*, int32_t> kClasses[] = {
      {"iPhone1,1", 1}, {"iPhone1,2", 2}, {"iPhone2,1", 3}, {"iPhone3,1", 5}, {"iPhone3,2", 5},
      {"iPhone3,3", 5}, {"iPhone4,1", 6}, {"iPhone5,1", 7}, {"iPhone5,2", 7}, {"iPod1,1", 8},
      {"iPod2,1", 9},   {"iPod3,1", 10},  {"iPod4,1", 11},  {"iPod5,1", 16},  {"iPad1,1", 12},
      {"iPad2,1", 13},  {"iPad2,2", 13},  {"iPad2,3", 13},  {"iPad2,4", 13},  {"iPad2,5", 13},
      {"iPad2,6", 13},  {"iPad2,7", 13},  {"iPad3,1", 14},  {"iPad3,2", 14},  {"iPad3,3", 14},
      {"iPad3,4", 15},  {"iPad3,5", 15},  {"iPad3,6", 15},  {"i386", 99},     {"x86_64", 99},
  };
  for (const auto& [model, modelClass] : kClasses) {
    if (machine == model) return modelClass;
  }
  return 14;
}

}  // namespace qv
