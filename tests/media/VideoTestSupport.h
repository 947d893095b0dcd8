// Helpers for the video tests: clips made with the ffmpeg command line, an observer, monitor and
// listener that record what reaches them, pumping the main run loop until a condition holds, a counter
// of the capture threads alive, and a loopback HTTP server that can die in the middle of a file.
#pragma once

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "MediaTestSupport.h"
#include "qv/media/QVAssetListener.h"
#include "qv/media/QVAssetObserver.h"
#include "qv/media/QVAssetTimeMonitor.h"
#include "qv/os/PixelBuffer.h"
#include "qv/os/RunLoop.h"
#include "qv/os/ThreadName.h"

using namespace qv;

// An H.264 + AAC MP4 of the test pattern (2 s unless said), 256x128 at 30 fps, key frame every 15 frames,
// index at the front.
inline std::string makeClip(const TempDir& dir, const std::string& name, int seconds = 2) {
  std::string path = dir.path() + "/" + name;
  const std::string duration = std::to_string(seconds);
  std::string args = "-f lavfi -i testsrc=size=256x128:rate=30:duration=" + duration +
                     " -f lavfi -i sine=frequency=440:sample_rate=48000:duration=" + duration +
                     " -c:v libx264 -preset ultrafast -pix_fmt yuv420p -g 15 -bf 0 -c:a aac -b:a 64k"
                     " -movflags +faststart '" +
                     path + "'";
  return runFFmpeg(args) ? path : std::string();
}

struct RecordingObserver : QVAssetObserver {
  std::vector<int32_t> codes;  // main thread only
  std::atomic<bool> offMainThread{false};
  void onStatusMessage(QVAsset*, int32_t message) override {
    if (!RunLoop::main().isLoopThread()) offMainThread = true;
    codes.push_back(message);
  }
  bool saw(int32_t code) const { return std::find(codes.begin(), codes.end(), code) != codes.end(); }
  size_t countOf(int32_t code) const { return size_t(std::count(codes.begin(), codes.end(), code)); }
};

struct RecordingMonitor : QVAssetTimeMonitor {
  std::vector<double> times;  // main thread only
  void onPlayerTime(QVAsset*, MediaTime time) override { times.push_back(time.seconds()); }
};

// Counts frames and keeps a digest of each; called on the capture thread.
struct RecordingListener : QVAssetListener {
  std::atomic<int> frames{0}, width{0}, height{0};
  std::mutex lock_;
  std::string threadName;         // guarded by lock_
  std::vector<uint32_t> digests;  // guarded by lock_
  void onStatusChange(QVAsset*, int32_t) override {}
  void onVideoFrame(const uint8_t*, int32_t, int32_t, int32_t, int32_t) override {}
  void onImageBuffer(PixelBuffer* buffer, int32_t, int32_t, int32_t w, int32_t h) override {
    buffer->lockBaseAddress();
    uint32_t digest = 2166136261u;
    for (size_t i = 0; i < buffer->bytesPerRow() * size_t(buffer->height()); i += 61)
      digest = (digest ^ buffer->baseAddress()[i]) * 16777619u;
    buffer->unlockBaseAddress();
    std::lock_guard<std::mutex> guard(lock_);
    threadName = currentThreadName();
    digests.push_back(digest);
    width = w, height = h, ++frames;
  }
  void onImageBuffer2(PixelBuffer*, PixelBuffer*, int32_t, int32_t, int32_t, int32_t) override {}
  void lock() override {}
  void unlock() override {}
  size_t distinctFrames() {
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<uint32_t> sorted = digests;
    std::sort(sorted.begin(), sorted.end());
    return size_t(std::unique(sorted.begin(), sorted.end()) - sorted.begin());
  }
};

// Pumps the main run loop (real clock) until `done` holds or `seconds` pass; returns `done()`.
inline bool pumpUntil(const std::function<bool()>& done, double seconds = 10.0) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    RunLoop::main().runFor(0.005);
  }
  return true;
}

inline void pumpFor(double seconds) {
  pumpUntil([] { return false; }, seconds);
}

// Capture threads of this process (the OS keeps the first 15 characters of a thread's name).
inline int captureThreads() {
  int count = 0;
  DIR* tasks = opendir("/proc/self/task");
  if (!tasks) return -1;
  while (dirent* entry = readdir(tasks)) {
    std::ifstream comm(std::string("/proc/self/task/") + entry->d_name + "/comm");
    std::string line;
    count += entry->d_name[0] != '.' && std::getline(comm, line) && line == "com.quovio.deco";
  }
  closedir(tasks);
  return count;
}

// A listening socket on a free loopback port; sets `port` (0 on failure).
inline int loopbackListener(int& port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bool ok = fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            listen(fd, 4) == 0 && getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
  port = ok ? ntohs(address.sin_port) : 0;
  return fd;
}

// A closed loopback port: bound, then released.
inline int closedLoopbackPort() {
  int port = 0;
  close(loopbackListener(port));
  return port;
}

// A one-file HTTP server on 127.0.0.1. It answers every GET (honouring "Range: bytes=N-") with the file.
// The first connection (the player's probe) is served whole; when a later one reaches file offset `cutAt`
// (at 0: before the answer's header) the server closes it and, unless the stream `comesBack`, stops
// listening, so the stream dies and reconnecting is refused. A stream that comes back is cut once and served
// whole afterwards. The first connection is answered after `firstDelayMs`, later ones after `laterDelayMs`.
// port() is 0 when the server could not start.
class DyingHttpServer {
 public:
  struct Behaviour {
    size_t cutAt = SIZE_MAX;
    bool comesBack = false;
    int firstDelayMs = 0, laterDelayMs = 0;
  };
  DyingHttpServer(std::vector<uint8_t> file, Behaviour behaviour)
      : file_(std::move(file)), behaviour_(behaviour) {
    listener_ = loopbackListener(port_);
    if (port_) thread_ = std::thread([this] { serve(); });
  }
  ~DyingHttpServer() {
    stopping_ = true;
    if (listener_ >= 0) shutdown(listener_, SHUT_RDWR);
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) close(listener_);
  }
  int port() const { return port_; }
  bool died() const { return died_; }

 private:
  void serve() {
    while (!stopping_ && (!died_ || behaviour_.comesBack)) {
      int client = accept(listener_, nullptr, nullptr);
      if (client < 0) return;
      char request[4096];
      ssize_t got = recv(client, request, sizeof request - 1, 0);
      size_t start = 0;
      if (got > 0) {
        request[got] = 0;
        if (const char* range = strstr(request, "Range: bytes="))
          start = std::strtoull(range + 13, nullptr, 10);
      }
      start = std::min(start, file_.size());
      std::this_thread::sleep_for(
          std::chrono::milliseconds(connections_ > 0 ? behaviour_.laterDelayMs : behaviour_.firstDelayMs));
      if (connections_ > 0 && !died_ && behaviour_.cutAt <= start) {
        died_ = true;  // cut before anything of the answer: not even its header
        close(client);
        ++connections_;
        continue;
      }
      size_t size = file_.size();
      std::string header = std::string(start ? "HTTP/1.1 206 Partial Content" : "HTTP/1.1 200 OK") +
                           "\r\nContent-Type: video/mp4\r\nAccept-Ranges: bytes\r\nContent-Length: " +
                           std::to_string(size - start) + "\r\n";
      if (start)
        header += "Content-Range: bytes " + std::to_string(start) + "-" + std::to_string(size - 1) + "/" +
                  std::to_string(size) + "\r\n";
      header += "Connection: close\r\n\r\n";
      send(client, header.data(), header.size(), MSG_NOSIGNAL);
      size_t offset = start;
      while (offset < file_.size() && !stopping_) {
        size_t chunk = std::min<size_t>(16384, file_.size() - offset);
        size_t cutAt = behaviour_.cutAt;
        if (connections_ > 0 && !died_ && offset + chunk > cutAt) chunk = cutAt > offset ? cutAt - offset : 0;
        if (chunk == 0) {
          died_ = true;
          break;
        }
        ssize_t wrote = send(client, file_.data() + offset, chunk, MSG_NOSIGNAL);
        if (wrote <= 0) break;
        offset += size_t(wrote);
        // Paced so the stream arrives while it plays rather than all at once.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
      close(client);
      ++connections_;
    }
    // Dead: nothing listens any more, so a reconnection is refused.
    shutdown(listener_, SHUT_RDWR);
  }

  std::vector<uint8_t> file_;
  Behaviour behaviour_;
  int connections_ = 0;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false}, died_{false};
  std::thread thread_;
};

inline std::vector<uint8_t> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
