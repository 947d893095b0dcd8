// qvview's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

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
  bool stereo = false, overUnder = false, gaze = false;
  std::vector<std::string> hotspots;
  bool help = false;
};

// Parses argv; on a bad argument returns nullopt and sets *error to one line saying what is wrong.
std::optional<Options> parseOptions(int argc, char** argv, std::string* error);
std::string usage();
