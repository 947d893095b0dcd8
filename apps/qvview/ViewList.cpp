#include "apps/qvview/ViewList.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

std::string trim(std::string_view text) {
  size_t from = text.find_first_not_of(" \t\r"), to = text.find_last_not_of(" \t\r");
  return from == std::string_view::npos ? std::string() : std::string(text.substr(from, to - from + 1));
}

bool parseNumber(const std::string& text, float low, float high, float* out) {
  char* end = nullptr;
  errno = 0;
  float value = std::strtof(text.c_str(), &end);
  if (text.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(value) || value < low || value > high)
    return false;
  *out = value;
  return true;
}

bool goodName(const std::string& name) {
  if (name.empty() || name[0] == '.') return false;
  for (unsigned char c : name)
    if (!std::isalnum(c) && c != '.' && c != '_' && c != '-') return false;
  return true;
}

}  // namespace

std::optional<std::vector<ViewRequest>> parseViewList(std::string_view text, std::string* error) {
  std::vector<ViewRequest> views;
  size_t lineNumber = 0;
  while (!text.empty()) {
    size_t newline = text.find('\n');
    std::string line = trim(text.substr(0, newline));
    text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
    ++lineNumber;
    if (line.empty() || line[0] == '#') continue;
    if (lineNumber == 1 && line.rfind("yaw", 0) == 0) continue;  // the column names
    std::vector<std::string> fields;
    size_t from = 0;
    while (true) {
      size_t comma = line.find(',', from);
      fields.push_back(
          trim(std::string_view(line).substr(from, comma == std::string::npos ? comma : comma - from)));
      if (comma == std::string::npos) break;
      from = comma + 1;
    }
    auto refuse = [&](const std::string& what) {
      *error = "line " + std::to_string(lineNumber) + ": " + what + ", got '" + line + "'";
      return std::nullopt;
    };
    if (fields.size() < 3 || fields.size() > 4) return refuse("expected yaw,pitch,fov[,name]");
    ViewRequest view;
    if (!parseNumber(fields[0], -INFINITY, INFINITY, &view.yaw))
      return refuse("yaw: expected a finite number");
    if (!parseNumber(fields[1], -90, 90, &view.pitch))
      return refuse("pitch: expected degrees from -90 to 90");
    if (!parseNumber(fields[2], 1, 179, &view.fov)) return refuse("fov: expected degrees from 1 to 179");
    if (fields.size() == 4) {
      if (!goodName(fields[3])) return refuse("name: expected letters, digits, '.', '_' or '-'");
      for (const auto& other : views)
        if (other.name == fields[3]) return refuse("name: '" + fields[3] + "' is used twice");
      view.name = fields[3];
    }
    views.push_back(view);
  }
  if (views.empty()) {
    *error = "no views";
    return std::nullopt;
  }
  return views;
}
