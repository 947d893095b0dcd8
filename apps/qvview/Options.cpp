#include "apps/qvview/Options.h"

#include "apps/qvview/LayoutLine.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// The whole text must be a finite number.
bool parseFloat(const char* text, float* out) {
  char* end = nullptr;
  errno = 0;
  float value = std::strtof(text, &end);
  if (end == text || *end != '\0' || errno == ERANGE || !std::isfinite(value)) return false;
  *out = value;
  return true;
}

// Digits only, no sign or space, at most `max`.
bool parseDimension(const char* text, const char* end, int max, int* out) {
  if (text == end) return false;
  long value = 0;
  for (const char* c = text; c != end; ++c) {
    if (*c < '0' || *c > '9') return false;
    value = value * 10 + (*c - '0');
    if (value > max) return false;
  }
  *out = int(value);
  return value > 0;
}

// Strictly WIDTHxHEIGHT.
bool parseSize(const char* text, int* width, int* height) {
  const char* x = std::strchr(text, 'x');
  return x && parseDimension(text, x, kMaxViewSide, width) &&
         parseDimension(x + 1, x + std::strlen(x), kMaxViewSide, height);
}

// The range each angle option accepts, for the check and for the message.
struct AngleRange {
  const char* name;
  float low, high;  // inclusive; infinite for "any finite value"
  const char* text;
};
constexpr AngleRange kAngles[] = {
    {"--yaw", -INFINITY, INFINITY, "any finite number of degrees"},
    {"--pitch", -90, 90, "degrees from -90 to 90"},
    {"--fov", 1, 179, "degrees from 1 to 179"},
};

bool parseInt(const char* text, int* out) {
  char* end = nullptr;
  long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < 0 || value > 100000) return false;
  *out = int(value);
  return true;
}

}  // namespace

std::optional<HotspotOption> parseHotspotOption(const std::string& text, int defaultTag, std::string* error) {
  // yaw and pitch come first and the tag, when present, last: the image path in between may hold commas.
  HotspotOption hotspot;
  hotspot.tag = defaultTag;
  size_t first = text.find(','), second = first == std::string::npos ? first : text.find(',', first + 1);
  std::string rest = second == std::string::npos ? "" : text.substr(second + 1);
  size_t last = rest.rfind(',');
  if (last != std::string::npos && parseInt(rest.c_str() + last + 1, &hotspot.tag)) rest.resize(last);
  if (second == std::string::npos || !parseFloat(text.substr(0, first).c_str(), &hotspot.yaw) ||
      !parseFloat(text.substr(first + 1, second - first - 1).c_str(), &hotspot.pitch) || rest.empty()) {
    *error = "--hotspot: expected \"yaw,pitch,IMAGE[,tag]\", got '" + text + "'";
    return std::nullopt;
  }
  hotspot.image = rest;
  return hotspot;
}

std::string usage() {
  return "usage: qvview [options] [FILE]\n"
         "  FILE                 equirectangular JPEG or PNG (default: a built-in test panorama)\n"
         "  --headless           render without a display and write PNG files\n"
         "  --out PATH           output PNG (several frames: PATH-0000.png ...)\n"
         "  --size WxH           view size in pixels (default 1280x720), each side from 1 to 16384\n"
         "  --yaw DEG --pitch DEG --fov DEG   initial view direction and field of view\n"
         "                       (pitch from -90 to 90, fov from 1 to 179)\n"
         "  --frames N           number of frames to render headless (default 1)\n"
         "  --motion TRACE.csv   move the device as a recorded trace says (time, pitch/yaw/roll or "
         "ax/ay/az,\n"
         "                       heading columns); without it, motion sensors are used where present\n"
         "  --nadir IMAGE        cover the bottom pole (the tripod) with IMAGE; --zenith IMAGE for the top\n"
         "                       (one of the two: the view covers one pole at a time)\n"
         "  --hotspot \"YAW,PITCH,IMAGE[,TAG]\"  place an image hotspot (repeatable; TAG defaults to its\n"
         "                       number); taps on it print \"hotspot TAG tapped\"\n"
         "  --gaze               focus mode: the view centre resting on a hotspot prints \"hotspot TAG focus "
         "in\"\n"
         "                       and leaving it \"hotspot TAG focus out\"\n"
         "  --mode MODE          sphere (default), cylinder or flat: layouts of video frames; a still image\n"
         "                       stays on the sphere in cylinder mode and is not shown flat\n"
         "  --stereo             side-by-side stereo for a headset viewer; it follows the device's "
         "attitude,\n"
         "                       so without motion sensors it starts looking down (--pitch 90: the horizon)\n"
         "  --over-under         the content is over-under stereo (upper half left eye); sphere mode only\n"
         "  --projection P       equirect, cubemap (3x2), eac, c6x1 or half (180 degrees in front): instead\n"
         "                       of what the file's metadata says\n"
         "  --layout L           mono, tb (top-bottom stereo, left eye above) or sbs (side by side, left "
         "eye\n"
         "                       left): instead of what the file's metadata says\n"
         "  --help               this text\n"
         "window keys: drag = look around, wheel = field of view, arrows turn, r reset, f fullscreen, Esc "
         "quit,\n"
         "             s stereo on/off, m next mode\n";
}

std::optional<Options> parseOptions(int argc, char** argv, std::string* error) {
  Options options;
  auto need = [&](int& i, const char* name) -> const char* {
    if (i + 1 >= argc) {
      *error = std::string(name) + " needs a value";
      return nullptr;
    }
    return argv[++i];
  };
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    const char* value = nullptr;
    if (!std::strcmp(arg, "--help") || !std::strcmp(arg, "-h")) {
      options.help = true;
    } else if (!std::strcmp(arg, "--headless")) {
      options.headless = true;
    } else if (!std::strcmp(arg, "--out")) {
      if (!(value = need(i, arg))) return std::nullopt;
      options.out = value;
    } else if (!std::strcmp(arg, "--size")) {
      if (!(value = need(i, arg))) return std::nullopt;
      if (!parseSize(value, &options.width, &options.height)) {
        *error = std::string("--size: expected WIDTHxHEIGHT, each from 1 to ") +
                 std::to_string(kMaxViewSide) + ", got '" + value + "'";
        return std::nullopt;
      }
    } else if (!std::strcmp(arg, "--yaw") || !std::strcmp(arg, "--pitch") || !std::strcmp(arg, "--fov")) {
      if (!(value = need(i, arg))) return std::nullopt;
      const AngleRange& range = kAngles[!std::strcmp(arg, "--yaw")     ? 0
                                        : !std::strcmp(arg, "--pitch") ? 1
                                                                       : 2];
      float* target = &range == &kAngles[0]   ? &options.yaw
                      : &range == &kAngles[1] ? &options.pitch
                                              : &options.fov;
      float angle = 0;
      if (!parseFloat(value, &angle) || angle < range.low || angle > range.high) {
        *error = std::string(arg) + ": expected " + range.text + ", got '" + value + "'";
        return std::nullopt;
      }
      *target = angle;
    } else if (!std::strcmp(arg, "--frames")) {
      if (!(value = need(i, arg))) return std::nullopt;
      if (!parseInt(value, &options.frames) || options.frames < 1) {
        *error = std::string("--frames: expected a count of at least 1, got '") + value + "'";
        return std::nullopt;
      }
    } else if (!std::strcmp(arg, "--motion")) {
      if (!(value = need(i, arg))) return std::nullopt;
      options.motionTrace = value;
    } else if (!std::strcmp(arg, "--nadir") || !std::strcmp(arg, "--zenith")) {
      if (!(value = need(i, arg))) return std::nullopt;
      (!std::strcmp(arg, "--nadir") ? options.nadir : options.zenith) = value;
    } else if (!std::strcmp(arg, "--hotspot")) {
      if (!(value = need(i, arg))) return std::nullopt;
      if (!parseHotspotOption(value, 0, error)) return std::nullopt;
      options.hotspots.push_back(value);
    } else if (!std::strcmp(arg, "--gaze")) {
      options.gaze = true;
    } else if (!std::strcmp(arg, "--mode")) {
      if (!(value = need(i, arg))) return std::nullopt;
      options.mode = value;
      if (options.mode != "sphere" && options.mode != "cylinder" && options.mode != "flat") {
        *error = std::string("--mode: expected sphere, cylinder or flat, got '") + value + "'";
        return std::nullopt;
      }
    } else if (!std::strcmp(arg, "--projection") || !std::strcmp(arg, "--layout")) {
      if (!(value = need(i, arg))) return std::nullopt;
      (!std::strcmp(arg, "--projection") ? options.projection : options.layout) = value;
      if (auto wrong = checkLayoutOptions(options)) {
        *error = *wrong;
        return std::nullopt;
      }
    } else if (!std::strcmp(arg, "--stereo")) {
      options.stereo = true;
    } else if (!std::strcmp(arg, "--over-under")) {
      options.overUnder = true;
    } else if (arg[0] == '-' && arg[1] != '\0') {
      *error = std::string("unknown option '") + arg + "'";
      return std::nullopt;
    } else if (options.file) {
      *error = std::string("more than one file given ('") + *options.file + "' and '" + arg + "')";
      return std::nullopt;
    } else {
      options.file = arg;
    }
  }
  if (options.nadir && options.zenith) {
    // The view has one blind-spot image and one pole to put it on.
    *error = "--nadir and --zenith: the view covers one pole at a time; give only one of them";
    return std::nullopt;
  }
  if (options.overUnder && options.mode != "sphere") {
    *error = "--over-under needs --mode sphere, not '" + options.mode + "'";
    return std::nullopt;
  }
  return options;
}
