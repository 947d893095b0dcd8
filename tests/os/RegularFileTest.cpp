#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "qv/os/Image.h"
#include "qv/os/MotionTrace.h"
#include "tests/support/LogCapture.h"

using namespace qv;

namespace {

namespace fs = std::filesystem;

// A folder of things that are not regular files, each named like what a user would pass.
class RegularFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("qv-regular-file-" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "d.png");
    fs::create_directories(dir_ / "d.csv");
    ASSERT_EQ(mkfifo(path("fifo.png").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(path("fifo.csv").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", dir_ / "zero.png");
    fs::create_symlink("/dev/zero", dir_ / "zero.csv");
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  // A sparse file: its size costs no disk, but a reader that reads it whole pays for all of it.
  std::string sparse(const std::string& name, uintmax_t bytes, const std::string& head) const {
    std::ofstream(path(name), std::ios::binary) << head;
    fs::resize_file(path(name), bytes);
    return path(name);
  }

  fs::path dir_;
};

}  // namespace

TEST_F(RegularFileTest, ImagesAreReadOnlyFromRegularFilesOfABoundedSize) {
  const std::string png = "\x89PNG\r\n\x1a\n";
  const struct {
    std::string path, reason;
  } cases[] = {
      {path("d.png"), "is a directory"},
      {path("fifo.png"), "is not a regular file"},  // and the open does not wait for a writer
      {path("zero.png"), "is not a regular file"},
      {sparse("junk.png", uintmax_t(3) << 30, "junk"), "too large"},
      {sparse("huge.png", Image::kMaxFileBytes + 1, png), "too large"},
  };
  for (const auto& c : cases) {
    LogCapture log;
    EXPECT_EQ(Image::fromFile(c.path), nullptr) << c.path;
    ASSERT_EQ(log.lines.size(), 1u) << c.path;
    EXPECT_EQ(log.lines[0].rfind("Image " + c.path + ": " + c.reason, 0), 0u) << log.lines[0];
  }
  // Not taken by name either.
  EXPECT_EQ(Image::named(path("d.png")), nullptr);
}

TEST_F(RegularFileTest, MotionTracesAreReadOnlyFromRegularFilesOfABoundedSize) {
  const struct {
    std::string path, reason;
  } cases[] = {
      {path("d.csv"), "is a directory"},
      {path("fifo.csv"), "is not a regular file"},
      {path("zero.csv"), "is not a regular file"},
      {sparse("long.csv", MotionTrace::kMaxFileBytes + 1, "time,heading\n"), "too large"},
  };
  for (const auto& c : cases) {
    LogCapture log;
    EXPECT_EQ(MotionTrace::load(c.path), nullptr) << c.path;
    ASSERT_EQ(log.lines.size(), 1u) << c.path;
    EXPECT_EQ(log.lines[0].rfind("motion trace " + c.path + ": " + c.reason, 0), 0u) << log.lines[0];
  }
  std::ofstream(path("ok.csv")) << "time,heading\n0,10\n1,20\n";
  auto trace = MotionTrace::load(path("ok.csv"));
  ASSERT_NE(trace, nullptr);
  EXPECT_EQ(trace->samples().size(), 2u);
}
