// CRC-32 of 64 MiB: the kit against ISA-L, libdeflate, zlib and a plain byte-table loop, for the default
// polynomial; and the kit's path for any other polynomial against zlib's default-polynomial speed.
#include <isa-l/crc.h>
#include <libdeflate.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "qv/platform/CRC32.h"

using namespace qv;

namespace {

template <typename F>
double bestSeconds(F&& f, int repeats = 7) {
  double best = 1e30;
  for (int r = 0; r < repeats; ++r) {
    const auto start = std::chrono::steady_clock::now();
    f();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

uint32_t byteTable(const std::vector<uint8_t>& data) {
  uint32_t table[256];
  generateCRC32Table(table, kCRC32DefaultPolynomial);
  uint32_t state = 0xFFFFFFFF;
  for (uint8_t b : data) state = (state >> 8) ^ table[(state ^ b) & 0xFF];
  return ~state;
}

}  // namespace

int main() {
  const size_t size = size_t(64) << 20;
  std::vector<uint8_t> data(size);
  std::mt19937_64 random(1);
  for (auto& b : data) b = uint8_t(random());
  const double gb = double(size) / 1e9;

  uint32_t kit = 0, isal = 0, deflate = 0, zlib = 0, table = 0, kitOther = 0;
  // Rounds alternate the contenders so that a busy moment on the machine does not favour one of them.
  double tKit = 1e30, tIsal = 1e30, tDeflate = 1e30, tZlib = 1e30, tOther = 1e30;
  for (int round = 0; round < 9; ++round) {
    auto runKit = [&] { tKit = std::min(tKit, bestSeconds([&] { kit = crc32(data); }, 1)); };
    auto runIsal = [&] {
      tIsal = std::min(tIsal, bestSeconds([&] { isal = crc32_gzip_refl(0, data.data(), data.size()); }, 1));
    };
    if (round % 2)
      runKit(), runIsal();
    else
      runIsal(), runKit();
    tDeflate =
        std::min(tDeflate, bestSeconds([&] { deflate = libdeflate_crc32(0, data.data(), data.size()); }, 1));
    tZlib = std::min(tZlib, bestSeconds([&] { zlib = uint32_t(crc32_z(0, data.data(), data.size())); }, 1));
    tOther = std::min(tOther, bestSeconds([&] { kitOther = crc32UsingPolynomial(data, 0x82F63B78); }, 1));
  }
  const double tTable = bestSeconds([&] { table = byteTable(data); }, 2);
  if (kit != isal || kit != deflate || kit != zlib || kit != table) {
    std::printf("MISMATCH kit %08x isal %08x libdeflate %08x zlib %08x table %08x\n", kit, isal, deflate,
                zlib, table);
    return 1;
  }
  std::printf("crc32 of 64 MiB, default polynomial (GB/s; ratio = kit/peer)\n");
  std::printf("  kit         %6.2f\n", gb / tKit);
  std::printf("  ISA-L       %6.2f   ratio %.2fx\n", gb / tIsal, tIsal / tKit);
  std::printf("  libdeflate  %6.2f   ratio %.2fx\n", gb / tDeflate, tDeflate / tKit);
  std::printf("  zlib        %6.2f   ratio %.2fx\n", gb / tZlib, tZlib / tKit);
  std::printf("  byte table  %6.2f   ratio %.2fx\n", gb / tTable, tTable / tKit);
  std::printf("crc32UsingPolynomial(0x82F63B78) %6.2f GB/s (%08x), ratio to zlib default %.2fx\n",
              gb / tOther, kitOther, tZlib / tOther);
  return 0;
}
