// qvview's command line: a table of command lines that must parse to given options, and one of command
// lines that must be refused with a message naming the option and what it accepts.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "apps/qvview/Options.h"

namespace {

std::optional<Options> parse(std::vector<std::string> args, std::string* error) {
  args.insert(args.begin(), "qvview");
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  return parseOptions(int(argv.size()), argv.data(), error);
}

TEST(QvviewOptions, GoodCommandLines) {
  struct Case {
    std::vector<std::string> args;
    void (*check)(const Options&);
  };
  const Case cases[] = {
      {{},
       [](const Options& o) {
         EXPECT_FALSE(o.file);
         EXPECT_FALSE(o.loop);
         EXPECT_EQ(o.start, 0);
       }},
      {{"--fov=90", "--yaw", "-30"},
       [](const Options& o) {
         EXPECT_EQ(o.fov, 90);
         EXPECT_EQ(o.yaw, -30);
       }},
      {{"--size=33x17"},
       [](const Options& o) {
         EXPECT_EQ(o.width, 33);
         EXPECT_EQ(o.height, 17);
       }},
      {{"--pitch", "-90", "--fov", "179"},
       [](const Options& o) {
         EXPECT_EQ(o.pitch, -90);
         EXPECT_EQ(o.fov, 179);
       }},
      {{"--start", "90"}, [](const Options& o) { EXPECT_EQ(o.start, 90); }},
      {{"--start=1:30"}, [](const Options& o) { EXPECT_EQ(o.start, 90); }},
      {{"--start", "01:02:03.5"}, [](const Options& o) { EXPECT_EQ(o.start, 3723.5); }},
      {{"--loop"}, [](const Options& o) { EXPECT_TRUE(o.loop); }},
      {{"--loop", "--no-loop"}, [](const Options& o) { EXPECT_FALSE(o.loop); }},
      {{"--fps=12.5"}, [](const Options& o) { EXPECT_EQ(*o.fps, 12.5); }},
      {{"--headless", "--views", "v.csv"}, [](const Options& o) { EXPECT_EQ(*o.views, "v.csv"); }},
      // -- ends the options: a file may start with a dash.
      {{"--", "-odd.jpg", "--yaw"},
       [](const Options& o) {
         ASSERT_EQ(o.files.size(), 2u);
         EXPECT_EQ(*o.file, "-odd.jpg");
         EXPECT_EQ(o.files[1], "--yaw");
       }},
      {{"a.jpg", "b.mp4", "c.png"},
       [](const Options& o) {
         EXPECT_EQ(o.files.size(), 3u);
         EXPECT_EQ(*o.file, "a.jpg");
       }},
      {{"--out=x=y.png"}, [](const Options& o) { EXPECT_EQ(o.out, "x=y.png"); }},
      {{"--version"}, [](const Options& o) { EXPECT_TRUE(o.version); }},
      {{"-h"}, [](const Options& o) { EXPECT_TRUE(o.help); }},
  };
  for (const auto& c : cases) {
    std::string error;
    auto options = parse(c.args, &error);
    std::string line;
    for (const auto& a : c.args) line += a + " ";
    SCOPED_TRACE(line);
    ASSERT_TRUE(options) << error;
    c.check(*options);
  }
}

TEST(QvviewOptions, BadCommandLinesSayWhatIsAccepted) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {{"--fov", "0"}, "--fov: expected degrees from 1 to 179, got '0'"},
      {{"--fov=180"}, "--fov: expected degrees from 1 to 179, got '180'"},
      {{"--pitch", "90.5"}, "--pitch: expected degrees from -90 to 90, got '90.5'"},
      {{"--yaw", "nan"}, "--yaw: expected any finite number of degrees, got 'nan'"},
      {{"--yaw", "inf"}, "--yaw: expected any finite number of degrees, got 'inf'"},
      {{"--yaw", "1e40"}, "--yaw: expected any finite number of degrees, got '1e40'"},
      {{"--size", "640x"}, "--size: expected WIDTHxHEIGHT, each from 1 to 16384, got '640x'"},
      {{"--size", "640x480x2"}, "--size: expected WIDTHxHEIGHT, each from 1 to 16384, got '640x480x2'"},
      {{"--size", " 640x480"}, "--size: expected WIDTHxHEIGHT, each from 1 to 16384, got ' 640x480'"},
      {{"--size", "0x480"}, "--size: expected WIDTHxHEIGHT, each from 1 to 16384, got '0x480'"},
      {{"--size", "16385x1"}, "--size: expected WIDTHxHEIGHT, each from 1 to 16384, got '16385x1'"},
      {{"--frames", "0"}, "--frames: expected a count from 1 to 100000, got '0'"},
      {{"--start", "-1"}, "--start: expected seconds or [hh:]mm:ss, not negative, got '-1'"},
      {{"--start", "1:75"}, "--start: expected seconds or [hh:]mm:ss, not negative, got '1:75'"},
      {{"--start", "1:2:3:4"}, "--start: expected seconds or [hh:]mm:ss, not negative, got '1:2:3:4'"},
      {{"--start", "1.5:30"}, "--start: expected seconds or [hh:]mm:ss, not negative, got '1.5:30'"},
      {{"--start", ""}, "--start: expected seconds or [hh:]mm:ss, not negative, got ''"},
      {{"--fps", "0"}, "--fps: expected frames a second, above 0 and at most 1000, got '0'"},
      {{"--fps=nan"}, "--fps: expected frames a second, above 0 and at most 1000, got 'nan'"},
      {{"--mode", "cube"}, "--mode: expected sphere, cylinder or flat, got 'cube'"},
      {{"--yaw"}, "--yaw needs a value"},
      {{"--loop=yes"}, "--loop takes no value, got '--loop=yes'"},
      {{"--colour"}, "unknown option '--colour'"},
      {{"--colour=red"}, "unknown option '--colour'"},
      {{"--headless", "a.jpg", "b.jpg"}, "--headless renders one file, got 2"},
      {{"--views", "v.csv"}, "--views writes PNG files: it needs --headless"},
      {{"--nadir", "a.png", "--zenith", "b.png"},
       "--nadir and --zenith: the view covers one pole at a time; give only one of them"},
  };
  for (const auto& c : cases) {
    std::string error;
    auto options = parse(c.args, &error);
    EXPECT_FALSE(options) << c.message;
    EXPECT_EQ(error, c.message);
  }
}

TEST(QvviewOptions, ParseTimeForms) {
  EXPECT_EQ(parseTime("0"), 0.0);
  EXPECT_EQ(parseTime("59:59"), 3599.0);
  EXPECT_EQ(parseTime("2:00:00"), 7200.0);
  EXPECT_EQ(parseTime("0:0.25"), 0.25);
  EXPECT_FALSE(parseTime("1:60"));
  EXPECT_FALSE(parseTime("a"));
  EXPECT_FALSE(parseTime("1:"));
  EXPECT_FALSE(parseTime(":1"));
  EXPECT_FALSE(parseTime("+5"));
}

// The README's key table is the one --help prints from.
TEST(QvviewOptions, ReadmeCarriesTheKeyTable) {
  std::ifstream readme(std::string(QV_SOURCE_DIR) + "/README.md");
  std::stringstream text;
  text << readme.rdbuf();
  EXPECT_NE(text.str().find(keyTableMarkdown()), std::string::npos) << "README lacks:\n"
                                                                    << keyTableMarkdown();
  const std::string help = usage();
  for (const auto& key : windowKeys()) EXPECT_NE(help.find(key.action), std::string::npos) << key.action;
}

}  // namespace
