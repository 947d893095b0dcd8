#include "qv/platform/MD5.h"

#include <span>

#include "qv/os/Digest.h"

namespace qv {

std::string md5(std::string_view string) {
  // The text is hashed as a C string would be: up to the first NUL.
  const size_t end = string.find('\0');
  if (end != std::string_view::npos) string = string.substr(0, end);
  const auto digest = md5Digest(std::span(reinterpret_cast<const uint8_t*>(string.data()), string.size()));
  if (!digest) return {};
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text(32, '0');
  for (size_t i = 0; i < digest->size(); ++i) {
    text[2 * i] = kHex[(*digest)[i] >> 4];
    text[2 * i + 1] = kHex[(*digest)[i] & 15];
  }
  return text;
}

}  // namespace qv
