// Identifies the device model from the machine string (Environment::machine(), by default uname's).
#pragma once

#include <cstdint>
#include <string>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class UIDeviceHardware {
 public:
  // The machine string; empty when the system cannot tell.
  static std::string platform();
  // A readable model name, or the machine string itself for a model that is not listed.
  static std::string platformString();
  // The numeric model class: 1..16 for listed models, 99 for the simulator, 14 for anything else.
  static int32_t platformClass();

  // The same answers for a given machine string.
  static std::string platformString(const std::string& machine);
  static int32_t platformClass(const std::string& machine);
};

}  // namespace qv
QV_EXPORT_END
