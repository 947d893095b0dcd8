// The kit's log levels, and FFmpeg's own lines arriving through the kit's log at their levels.
#include "qv/os/QVLog.h"

#include <gtest/gtest.h>

#include <fstream>

#include "qv/os/URL.h"
#include "qv/os/av/Asset.h"
#include "tests/support/LogCapture.h"

using namespace qv;

TEST(QVLogTest, LinesBelowTheShownLevelDoNotReachTheSink) {
  LogCapture log;  // the default: info and above
  QVLogAt(QVLogLevel::Debug, "hidden %d", 1);
  QVLog("info %d", 2);
  QVLogAt(QVLogLevel::Error, "error %d", 3);
  EXPECT_EQ(log.lines, (std::vector<std::string>{"info 2", "error 3"}));
  {
    LogCapture all(QVLogLevel::Debug);
    QVLogAt(QVLogLevel::Debug, "shown");
    EXPECT_EQ(all.lines, std::vector<std::string>{"shown"});
  }
  EXPECT_FALSE(QVLogShows(QVLogLevel::Debug));  // the capture gave the level back
  EXPECT_EQ(QVLogLevelNamed("warning", QVLogLevel::Info), QVLogLevel::Warning);
  EXPECT_EQ(QVLogLevelNamed("loud", QVLogLevel::Info), QVLogLevel::Info);
}

TEST(QVLogTest, FFmpegsErrorsComeThroughTheKitsLogAsWholeLines) {
  std::string path = testing::TempDir() + "/qvlog-broken.mp4";
  std::ofstream(path, std::ios::binary) << std::string(
                                               "\0\0\0\x18"
                                               "ftypisom",
                                               12)
                                        << std::string(200, 'x');
  LogCapture log;
  auto asset = Asset::URLAsset(*URL::URLWithString("file://" + path));
  ASSERT_TRUE(asset->loadError());
  size_t fromFFmpeg = 0;
  for (const auto& line : log.lines) {
    EXPECT_EQ(line.find('\n'), std::string::npos);
    fromFFmpeg += line.rfind("[mov,mp4", 0) == 0;
  }
  EXPECT_GE(fromFFmpeg, 1u);
}
