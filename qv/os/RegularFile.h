// A regular file opened for reading, and nothing else: a directory, FIFO, socket or device is refused by
// the type of what was opened (so a name swapped for a FIFO after a check is refused too), and the open
// never blocks. Callers that read what users name (images, motion traces) go through it, so each can cap
// what it reads before it knows the format. Reasons are short phrases for the caller's one log line:
// "no such file", "is a directory", "is not a regular file", "too large (...)", or the system's text.
// Move-only; one thread at a time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class RegularFile {
 public:
  // nullopt with *reason set when `path` cannot be opened or is not a regular file.
  static std::optional<RegularFile> open(const std::string& path, std::string* reason);
  // Checks that `path` names a readable regular file without reading it.
  static bool check(const std::string& path, std::string* reason);
  // The whole file when it holds at most `maxBytes`; nullopt with *reason set otherwise.
  static std::optional<std::vector<uint8_t>> readAll(const std::string& path, uint64_t maxBytes,
                                                     std::string* reason);

  RegularFile(RegularFile&& other) noexcept : fd_(other.fd_), size_(other.size_) { other.fd_ = -1; }
  RegularFile& operator=(RegularFile&&) = delete;
  RegularFile(const RegularFile&) = delete;
  ~RegularFile();

  uint64_t size() const { return size_; }  // bytes, as the file had when opened
  // Appends up to `count` bytes from the current position to `bytes`; false with *reason on a read error.
  // Fewer than `count` only at the end of the file.
  bool read(std::vector<uint8_t>& bytes, size_t count, std::string* reason);

 private:
  RegularFile(int fd, uint64_t size) : fd_(fd), size_(size) {}

  int fd_;
  uint64_t size_;
};

}  // namespace qv
QV_EXPORT_END
