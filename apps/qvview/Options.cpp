#include "apps/qvview/Options.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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

// A positive finite number no larger than `max`.
bool parsePositive(const char* text, double max, double* out) {
  float value = 0;
  if (!parseFloat(text, &value) || value <= 0 || value > max) return false;
  *out = value;
  return true;
}

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

std::optional<double> parseTime(std::string_view text) {
  // Up to three fields split by colons; only the last may have a fraction.
  std::vector<std::string> fields;
  size_t from = 0;
  while (true) {
    size_t colon = text.find(':', from);
    fields.emplace_back(text.substr(from, colon == std::string_view::npos ? colon : colon - from));
    if (colon == std::string_view::npos) break;
    from = colon + 1;
  }
  if (fields.size() > 3) return std::nullopt;
  double total = 0;
  for (size_t i = 0; i < fields.size(); ++i) {
    const std::string& field = fields[i];
    const bool last = i + 1 == fields.size();
    if (field.empty() || !std::isdigit(static_cast<unsigned char>(field[0]))) return std::nullopt;
    if (!last && field.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    float value = 0;
    if (!parseFloat(field.c_str(), &value)) return std::nullopt;
    // After a colon a field counts minutes or seconds: 1:75 is not a time.
    if (i > 0 && value >= 60) return std::nullopt;
    total = total * 60 + value;
  }
  return total;
}

const std::vector<KeyBinding>& windowKeys() {
  static const std::vector<KeyBinding> keys = {
      {"drag, arrows", "look around (held arrows turn steadily)"},
      {"wheel, + / -", "zoom (field of view)"},
      {"Space", "pause / play"},
      {"Shift+Left / Shift+Right", "seek 5 s back / forward"},
      {"Shift+Down / Shift+Up", "seek 60 s back / forward"},
      {"Home", "back to the start"},
      {"9 / 0", "volume down / up"},
      {"M", "mute / unmute"},
      {"m", "next mode (sphere, cylinder, flat)"},
      {"s", "stereo on / off"},
      {"r", "reset the view"},
      {"S", "screenshot of the view to a PNG next to the file"},
      {"n / p (or > / <)", "next / previous file of the command line"},
      {"f", "fullscreen on / off"},
      {"q, Esc", "quit (Esc leaves fullscreen first)"},
  };
  return keys;
}

std::string keyTableMarkdown() {
  std::string table = "| key | does |\n| --- | --- |\n";
  for (const auto& key : windowKeys()) table += std::string("| ") + key.keys + " | " + key.action + " |\n";
  return table;
}

std::string versionText() {
  return std::string("qvview ") + QV_VERSION + "\n";
}

std::string usage() {
  std::string text =
      "usage: qvview [options] [--] [FILE...]\n"
      "  FILE                 equirectangular JPEG or PNG, or a video file or URL (default: a built-in test\n"
      "                       panorama); several files are a playlist in the window (n / p)\n"
      "  --headless           render without a display and write PNG files\n"
      "  --out PATH           output PNG (several frames: PATH-0000.png ...)\n"
      "  --size WxH           view size in pixels (default 1280x720), each side from 1 to 16384\n"
      "  --yaw DEG --pitch DEG --fov DEG   initial view direction and field of view\n"
      "                       (pitch from -90 to 90, fov from 1 to 179; default: the photo sphere's own\n"
      "                       initial view, else 0 0 75)\n"
      "  --frames N           number of frames to render headless (default 1)\n"
      "  --start TIME         start a video at TIME: seconds or [hh:]mm:ss (default 0)\n"
      "  --fps F              headless video: frames at start, start + 1/F, ... (default: the clip's rate)\n"
      "  --loop, --no-loop    a video starts again at its end, or stops there (default --no-loop: the last\n"
      "                       frame stays, paused, in the window; headless writes no frames past the end)\n"
      "  --views FILE.csv     headless: render every view of the CSV (yaw,pitch,fov[,name] per line) from\n"
      "                       one decode, to PATH-0000.png ... or PATH-NAME.png\n"
      "  --motion TRACE.csv   move the device as a recorded trace says (time, pitch/yaw/roll or ax/ay/az,\n"
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
      "  --stereo             side-by-side stereo for a headset viewer; it follows the device's attitude,\n"
      "                       so without motion sensors it starts looking down (--pitch 90: the horizon)\n"
      "  --over-under         the content is over-under stereo (upper half left eye); sphere mode only\n"
      "  --projection P       equirect, cubemap (3x2), eac, c6x1 or half (180 degrees in front): instead\n"
      "                       of what the file's metadata says\n"
      "  --layout L           mono, tb (top-bottom stereo, left eye above), sbs (side by side, left eye\n"
      "                       left), tb-rl or sbs-rl (the right eye above or left): instead of what the\n"
      "                       file's metadata says\n"
      "  --version            the version\n"
      "  --help               this text\n"
      "  --OPTION=VALUE is the same as --OPTION VALUE; -- ends the options\n"
      "window keys:\n";
  for (const auto& key : windowKeys()) {
    std::string name = std::string("  ") + key.keys;
    name.resize(std::max<size_t>(name.size() + 1, 28), ' ');
    text += name + key.action + "\n";
  }
  return text;
}

namespace {

enum class Takes { Nothing, Value };
struct OptionName {
  const char* name;
  Takes takes;
};
constexpr OptionName kOptionNames[] = {
    {"--help", Takes::Nothing},       {"--version", Takes::Nothing},  {"--headless", Takes::Nothing},
    {"--out", Takes::Value},          {"--size", Takes::Value},       {"--yaw", Takes::Value},
    {"--pitch", Takes::Value},        {"--fov", Takes::Value},        {"--frames", Takes::Value},
    {"--start", Takes::Value},        {"--fps", Takes::Value},        {"--loop", Takes::Nothing},
    {"--no-loop", Takes::Nothing},    {"--views", Takes::Value},      {"--motion", Takes::Value},
    {"--nadir", Takes::Value},        {"--zenith", Takes::Value},     {"--hotspot", Takes::Value},
    {"--gaze", Takes::Nothing},       {"--mode", Takes::Value},       {"--stereo", Takes::Nothing},
    {"--over-under", Takes::Nothing}, {"--projection", Takes::Value}, {"--layout", Takes::Value},
};

// The values --projection and --layout take; one line saying what is wrong, else nullopt.
std::optional<std::string> checkLayoutOptions(const Options& options) {
  if (options.projection && *options.projection != "equirect" && *options.projection != "cubemap" &&
      *options.projection != "eac" && *options.projection != "c6x1" && *options.projection != "half") {
    return "--projection: expected equirect, cubemap, eac, c6x1 or half, got '" + *options.projection + "'";
  }
  if (options.layout && *options.layout != "mono" && *options.layout != "tb" && *options.layout != "sbs" &&
      *options.layout != "tb-rl" && *options.layout != "sbs-rl") {
    return "--layout: expected mono, tb, sbs, tb-rl or sbs-rl, got '" + *options.layout + "'";
  }
  return std::nullopt;
}

// Sets one option; false with *error set when its value is refused.
bool apply(Options& options, const std::string& name, const char* value, std::string* error) {
  auto refuse = [&](const std::string& expected) {
    *error = name + ": expected " + expected + ", got '" + value + "'";
    return false;
  };
  if (name == "--help") {
    options.help = true;
  } else if (name == "--version") {
    options.version = true;
  } else if (name == "--headless") {
    options.headless = true;
  } else if (name == "--out") {
    options.out = value;
  } else if (name == "--size") {
    if (!parseSize(value, &options.width, &options.height))
      return refuse("WIDTHxHEIGHT, each from 1 to " + std::to_string(kMaxViewSide));
  } else if (name == "--yaw" || name == "--pitch" || name == "--fov") {
    const int which = name == "--yaw" ? 0 : name == "--pitch" ? 1 : 2;
    const AngleRange& range = kAngles[which];
    float angle = 0;
    if (!parseFloat(value, &angle) || angle < range.low || angle > range.high) return refuse(range.text);
    (which == 0 ? options.yaw : which == 1 ? options.pitch : options.fov) = angle;
    (which == 2 ? options.fovGiven : options.directionGiven) = true;
  } else if (name == "--frames") {
    if (!parseInt(value, &options.frames) || options.frames < 1) return refuse("a count from 1 to 100000");
  } else if (name == "--start") {
    auto time = parseTime(value);
    if (!time) return refuse("seconds or [hh:]mm:ss, not negative");
    options.start = *time;
  } else if (name == "--fps") {
    double fps = 0;
    if (!parsePositive(value, 1000, &fps)) return refuse("frames a second, above 0 and at most 1000");
    options.fps = fps;
  } else if (name == "--loop" || name == "--no-loop") {
    options.loop = name == "--loop";
  } else if (name == "--views") {
    options.views = value;
  } else if (name == "--motion") {
    options.motionTrace = value;
  } else if (name == "--nadir" || name == "--zenith") {
    (name == "--nadir" ? options.nadir : options.zenith) = value;
  } else if (name == "--hotspot") {
    if (!parseHotspotOption(value, 0, error)) return false;
    options.hotspots.push_back(value);
  } else if (name == "--gaze") {
    options.gaze = true;
  } else if (name == "--mode") {
    options.mode = value;
    if (options.mode != "sphere" && options.mode != "cylinder" && options.mode != "flat")
      return refuse("sphere, cylinder or flat");
  } else if (name == "--stereo") {
    options.stereo = true;
  } else if (name == "--over-under") {
    options.overUnder = true;
  } else if (name == "--projection" || name == "--layout") {
    (name == "--projection" ? options.projection : options.layout) = value;
    if (auto wrong = checkLayoutOptions(options)) {
      *error = *wrong;
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<Options> parseOptions(int argc, char** argv, std::string* error) {
  Options options;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      options.files.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    // --name=value is --name value.
    const size_t equals = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
    std::string name = arg.substr(0, equals);
    if (name == "-h") name = "--help";
    const OptionName* known = nullptr;
    for (const auto& option : kOptionNames)
      if (name == option.name) known = &option;
    if (!known) {
      *error = "unknown option '" + name + "'";
      return std::nullopt;
    }
    std::string value;
    if (equals != std::string::npos) {
      if (known->takes == Takes::Nothing) {
        *error = name + " takes no value, got '" + arg + "'";
        return std::nullopt;
      }
      value = arg.substr(equals + 1);
    } else if (known->takes == Takes::Value) {
      if (i + 1 >= argc) {
        *error = name + " needs a value";
        return std::nullopt;
      }
      value = argv[++i];
    }
    if (!apply(options, name, value.c_str(), error)) return std::nullopt;
  }
  if (!options.files.empty()) options.file = options.files.front();
  if (options.nadir && options.zenith) {
    // The view has one blind-spot image and one pole to put it on.
    *error = "--nadir and --zenith: the view covers one pole at a time; give only one of them";
    return std::nullopt;
  }
  if (options.overUnder && options.mode != "sphere") {
    *error = "--over-under needs --mode sphere, not '" + options.mode + "'";
    return std::nullopt;
  }
  if (options.headless && options.files.size() > 1) {
    *error = "--headless renders one file, got " + std::to_string(options.files.size());
    return std::nullopt;
  }
  if (options.views && !options.headless) {
    *error = "--views writes PNG files: it needs --headless";
    return std::nullopt;
  }
  return options;
}
