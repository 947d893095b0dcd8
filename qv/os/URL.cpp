#include "qv/os/URL.h"

#include <cctype>
#include <cstring>

namespace qv {

namespace {

bool allowedInURL(unsigned char c) {
  if (std::isalnum(c)) return true;
  return std::strchr("-._~:/?#[]@!$&'()*+,;=%", c) != nullptr && c != '\0';
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<URL> URL::URLWithString(std::string_view text) {
  if (text.empty()) return std::nullopt;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (!allowedInURL(c)) return std::nullopt;
    if (c == '%' && (i + 2 >= text.size() || hexValue(text[i + 1]) < 0 || hexValue(text[i + 2]) < 0)) {
      return std::nullopt;
    }
  }

  URL url;
  url.text_ = std::string(text);
  std::string_view rest = text;
  size_t colon = rest.find(':');
  if (colon != std::string_view::npos && colon > 0 && std::isalpha(static_cast<unsigned char>(rest[0]))) {
    bool schemeChars = true;
    for (size_t i = 0; i < colon; ++i) {
      unsigned char c = static_cast<unsigned char>(rest[i]);
      if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') schemeChars = false;
    }
    if (schemeChars) {
      for (size_t i = 0; i < colon; ++i)
        url.scheme_ += char(std::tolower(static_cast<unsigned char>(rest[i])));
      rest.remove_prefix(colon + 1);
    }
  }
  if (rest.substr(0, 2) == "//") {
    rest.remove_prefix(2);
    size_t slash = rest.find('/');
    url.host_ = std::string(rest.substr(0, slash));
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
  }
  rest = rest.substr(0, rest.find_first_of("?#"));
  for (size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == '%') {
      url.path_ += char(hexValue(rest[i + 1]) * 16 + hexValue(rest[i + 2]));
      i += 2;
    } else {
      url.path_ += rest[i];
    }
  }
  return url;
}

}  // namespace qv
