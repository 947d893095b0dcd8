// MD5 of 64 MiB: the kit's md5() against the `openssl md5` and `md5sum` commands on the same bytes in a
// file (the commands' times include starting the process and reading the cached file).
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "qv/platform/MD5.h"

using namespace qv;

namespace {

template <typename F>
double bestSeconds(F&& f, int repeats = 5) {
  double best = 1e30;
  for (int r = 0; r < repeats; ++r) {
    const auto start = std::chrono::steady_clock::now();
    f();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

std::string run(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe)) output += buffer;
    pclose(pipe);
  }
  return output;
}

}  // namespace

int main() {
  const size_t size = size_t(64) << 20;
  std::string data(size, '\0');
  std::mt19937_64 random(3);
  for (auto& c : data) c = char(1 + random() % 255);  // no NUL: the text would end there

  char path[] = "/tmp/qv_md5_bench_XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0 || write(fd, data.data(), size) != ssize_t(size)) return 1;
  close(fd);

  std::string kit, openssl, md5sum;
  const double tKit = bestSeconds([&] { kit = md5(data); });
  const double tOpenssl = bestSeconds([&] { openssl = run(std::string("openssl md5 -r ") + path); });
  const double tMd5sum = bestSeconds([&] { md5sum = run(std::string("md5sum ") + path); });
  unlink(path);

  const double gb = double(size) / 1e9;
  std::printf("md5 of 64 MiB (GB/s; ratio = kit/peer)\n");
  std::printf("  kit          %6.2f   %s\n", gb / tKit, kit.c_str());
  std::printf("  openssl md5  %6.2f   ratio %.2fx\n", gb / tOpenssl, tOpenssl / tKit);
  std::printf("  md5sum       %6.2f   ratio %.2fx\n", gb / tMd5sum, tMd5sum / tKit);
  const bool ok = openssl.rfind(kit, 0) == 0 && md5sum.rfind(kit, 0) == 0;
  if (!ok) std::printf("MISMATCH: openssl %s md5sum %s", openssl.c_str(), md5sum.c_str());
  return ok ? 0 : 1;
}
