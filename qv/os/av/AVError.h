// An error reported by the media readers: a domain, a numeric code and a readable description.
#pragma once

#include <cstdint>
#include <string>

namespace qv {

struct AVError {
  std::string domain;
  int64_t code = 0;
  std::string description;

  // One line with every part, for logs.
  std::string debugDescription() const {
    return "Error Domain=" + domain + " Code=" + std::to_string(code) + " \"" + description + "\"";
  }
};

}  // namespace qv
