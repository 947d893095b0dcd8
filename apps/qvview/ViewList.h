// The views of `qvview --views FILE`: one a line, "yaw,pitch,fov[,name]" in degrees (the ranges of --yaw,
// --pitch and --fov). Empty lines and lines starting with '#' are skipped, and so is a first line naming
// the columns ("yaw,pitch,fov..."). A name becomes part of a file name: letters, digits, '.', '_', '-'.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct ViewRequest {
  float yaw = 0, pitch = 0, fov = 75;  // degrees
  std::string name;                    // empty: the view is numbered
};

// The views of `text`; nullopt with *error naming the line and what is wrong.
std::optional<std::vector<ViewRequest>> parseViewList(std::string_view text, std::string* error);
