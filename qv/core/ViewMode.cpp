#include "qv/core/ViewMode.h"

namespace qv {

namespace {

constexpr std::string_view kNames[] = {"sphere", "flat", "cylinder", "stereo", "over-under"};

}  // namespace

std::string_view viewModeName(int32_t mode) {
  if (mode < 0 || mode >= int32_t(std::size(kNames))) return "unknown";
  return kNames[mode];
}

std::optional<int32_t> viewModeFromName(std::string_view name) {
  for (int32_t mode = 0; mode < int32_t(std::size(kNames)); ++mode)
    if (kNames[mode] == name) return mode;
  return std::nullopt;
}

int32_t nextViewMode(int32_t mode) {
  if (mode == int32_t(ViewMode::Cylinder)) return int32_t(ViewMode::Flat);
  if (mode == int32_t(ViewMode::Flat)) return int32_t(ViewMode::Sphere);
  return int32_t(ViewMode::Cylinder);
}

}  // namespace qv
