// libFuzzer target for qvview's command line: the input is split at NUL bytes into arguments. Accepted
// options must lie in the ranges the viewer relies on; every --hotspot value accepted on the command line
// must parse again the same way when the viewer places it.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "apps/qvview/Options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> words{"qvview"};
  std::string word;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      words.push_back(word);
      word.clear();
    } else {
      word += char(data[i]);
    }
  }
  words.push_back(word);
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);

  std::string error;
  // The first argument alone as a --hotspot value.
  if (auto hotspot = parseHotspotOption(words[1], 7, &error)) {
    if (hotspot->image.empty() || !std::isfinite(hotspot->yaw) || !std::isfinite(hotspot->pitch))
      std::abort();
  }
  error.clear();
  auto options = parseOptions(int(words.size()), argv.data(), &error);
  if (!options) {
    if (error.empty()) std::abort();
    return 0;
  }
  if (options->width < 1 || options->height < 1 || options->width > kMaxViewSide ||
      options->height > kMaxViewSide || !std::isfinite(options->yaw) || !(options->pitch >= -90) ||
      !(options->pitch <= 90) || !(options->fov >= 1) || !(options->fov <= 179) || options->frames < 1 ||
      (options->nadir && options->zenith)) {
    std::abort();
  }
  for (size_t i = 0; i < options->hotspots.size(); ++i) {
    auto hotspot = parseHotspotOption(options->hotspots[i], int(i) + 1, &error);
    if (!hotspot || hotspot->image.empty() || !std::isfinite(hotspot->yaw) || !std::isfinite(hotspot->pitch))
      std::abort();
  }
  return 0;
}
