// qvview's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

// Largest accepted view side, in pixels (the GL maximum texture and renderbuffer size here).
constexpr int kMaxViewSide = 16384;

struct Options {
  bool headless = false;
  std::string out = "qvview.png";
  int width = 1280, height = 720;
  float yaw = 0, pitch = 0, fov = 75;
  int frames = 1;
  std::optional<std::string> file;
  std::optional<std::string> motionTrace;
  std::optional<std::string> nadir, zenith;
  std::string mode = "sphere";
  std::optional<std::string> projection, layout;  // --projection, --layout: override the file's metadata
  bool stereo = false, overUnder = false, gaze = false;
  std::vector<std::string> hotspots;
  bool help = false;
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

// Parses argv; on a bad argument returns nullopt and sets *error to one line saying what is wrong.
std::optional<Options> parseOptions(int argc, char** argv, std::string* error);
std::string usage();
