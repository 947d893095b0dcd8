// MD5 of a string's bytes up to its first NUL, as 32 lowercase hexadecimal characters, digest bytes in
// order. Any thread may call it.
#pragma once

#include <string>
#include <string_view>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

// Empty only if no MD5 implementation is available.
std::string md5(std::string_view string);

}  // namespace qv
QV_EXPORT_END
