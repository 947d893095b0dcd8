#include "qv/os/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace qv {

namespace {

std::string systemReason(int error) {
  return error == ENOENT ? "no such file" : error == EISDIR ? "is a directory" : std::strerror(error);
}

}  // namespace

std::optional<RegularFile> RegularFile::open(const std::string& path, std::string* reason) {
  // O_NONBLOCK: opening a FIFO with no writer would otherwise wait for one for ever.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    *reason = systemReason(errno);
    return std::nullopt;
  }
  RegularFile file(fd, 0);
  struct stat status {};
  if (fstat(fd, &status) != 0) {
    *reason = systemReason(errno);
    return std::nullopt;
  }
  if (S_ISDIR(status.st_mode)) {
    *reason = "is a directory";
    return std::nullopt;
  }
  if (!S_ISREG(status.st_mode)) {
    *reason = "is not a regular file";
    return std::nullopt;
  }
  int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    *reason = systemReason(errno);
    return std::nullopt;
  }
  file.size_ = uint64_t(status.st_size);
  return file;
}

bool RegularFile::check(const std::string& path, std::string* reason) {
  return open(path, reason).has_value();
}

std::optional<std::vector<uint8_t>> RegularFile::readAll(const std::string& path, uint64_t maxBytes,
                                                         std::string* reason) {
  auto file = open(path, reason);
  if (!file) return std::nullopt;
  if (file->size() > maxBytes) {
    *reason =
        "too large (" + std::to_string(file->size()) + " bytes; at most " + std::to_string(maxBytes) + ")";
    return std::nullopt;
  }
  std::vector<uint8_t> bytes;
  // Only the size seen at open: a file that grows while it is read does not make us read past the cap.
  if (!file->read(bytes, size_t(file->size()), reason)) return std::nullopt;
  return bytes;
}

RegularFile::~RegularFile() {
  if (fd_ >= 0) ::close(fd_);
}

bool RegularFile::read(std::vector<uint8_t>& bytes, size_t count, std::string* reason) {
  size_t start = bytes.size();
  bytes.resize(start + count);
  size_t got = 0;
  while (got < count) {
    ssize_t n = ::read(fd_, bytes.data() + start + got, count - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *reason = std::string("read error (") + std::strerror(errno) + ")";
      bytes.resize(start + got);
      return false;
    }
    if (n == 0) break;
    got += size_t(n);
  }
  bytes.resize(start + got);
  return true;
}

}  // namespace qv
