// MD5 of a string's bytes up to its first NUL, as 32 lowercase hexadecimal characters, digest bytes in
// order. Any thread may call it.
#pragma once

#include <string>
#include <string_view>

// Empty only if no MD5 implementation is available.
std::string md5(std::string_view string);
