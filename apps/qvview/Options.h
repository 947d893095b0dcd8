// qvview's command line: the options, the window's keys (one table for --help and the README) and the
// parsing of times, sizes and angles. Parsing never prints; a bad argument comes back as one line.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Largest accepted view side, in pixels (the GL maximum texture and renderbuffer size here).
constexpr int kMaxViewSide = 16384;

struct Options {
  bool headless = false;
  std::string out = "qvview.png";
  int width = 1280, height = 720;
  float yaw = 0, pitch = 0, fov = 75;
  bool directionGiven = false, fovGiven = false;  // --yaw or --pitch, --fov: the picture's suggestion yields
  int frames = 1;
  double start = 0;                  // seconds into a video
  bool loop = false;                 // a video starts again at its end instead of stopping there
  std::optional<double> fps;         // headless video frames a second; the clip's own rate when not given
  std::optional<std::string> views;  // CSV of views to render from one decode (headless)
  std::optional<std::string> file;   // the file shown; the first of `files`
  std::vector<std::string> files;    // every file given: a playlist in the window
  std::optional<std::string> motionTrace;
  std::optional<std::string> nadir, zenith;
  std::string mode = "sphere";
  std::optional<std::string> projection, layout;  // --projection, --layout: override the file's metadata
  bool stereo = false, overUnder = false, gaze = false;
  std::vector<std::string> hotspots;
  bool help = false, version = false;
};

// One --hotspot "yaw,pitch,IMAGE[,tag]": degrees as for --yaw and --pitch, so a hotspot at the initial
// yaw and pitch sits at the view centre.
struct HotspotOption {
  float yaw = 0, pitch = 0;
  std::string image;
  int tag = 0;
};
// Parses one --hotspot value; `defaultTag` when it names no tag. nullopt with *error set when malformed.
std::optional<HotspotOption> parseHotspotOption(const std::string& text, int defaultTag, std::string* error);

// A time as seconds ("90", "12.5") or [hh:]mm:ss[.fff] ("1:30", "01:02:03.5"); nullopt when malformed,
// negative or not finite. Minutes and seconds after a colon are below 60.
std::optional<double> parseTime(std::string_view text);

// Parses argv; on a bad argument returns nullopt and sets *error to one line saying what is wrong.
std::optional<Options> parseOptions(int argc, char** argv, std::string* error);
std::string usage();
std::string versionText();

// The window's keys, in the order --help and the README list them.
struct KeyBinding {
  const char* keys;
  const char* action;
};
const std::vector<KeyBinding>& windowKeys();
// The key table as a Markdown table (the README carries it verbatim).
std::string keyTableMarkdown();
