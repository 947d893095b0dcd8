// Still images decoded in bands from a file, as the loader reads them: a JPEG at full size and at 1/8, and
// a PNG, a few rows at a time into a buffer of exactly those rows (AddressSanitizer catches a write past
// it). The bytes are handed over as a file in memory. Rows per input are bounded, so that one stays quick
// whatever size its header claims.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "qv/os/JpegBandDecoder.h"
#include "qv/os/PngBandDecoder.h"
#include "qv/os/QVLog.h"

using namespace qv;

namespace {

constexpr int kMostRows = 64, kRowsAtATime = 5;

template <class Decoder>
void readSomeRows(Decoder& decoder, int width) {
  if (width <= 0) std::abort();
  const size_t rowBytes = size_t(width) * 4;
  std::unique_ptr<uint8_t[]> rows(new uint8_t[rowBytes * kRowsAtATime]);
  for (int done = 0; done < kMostRows;) {
    const int got = decoder.readRows(rows.get(), rowBytes, kRowsAtATime);
    if (got < 0 && decoder.reason().empty()) std::abort();  // a failure always says why
    if (got <= 0) return;
    done += got;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  QVLogSetSink([](std::string_view) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int fd = memfd_create("band-fuzz", 0);
  if (fd < 0) return 0;
  if (write(fd, data, size) != ssize_t(size)) {
    close(fd);
    return 0;
  }
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
  std::string reason;
  for (int denominator : {1, 8}) {
    auto jpeg = JpegBandDecoder::open(path, &reason);
    if (!jpeg) break;
    // The loader refuses what it cannot show before it decodes; a wider picture would only be slow here.
    if (jpeg->imageWidth() > 16384 || !jpeg->start(denominator)) break;
    readSomeRows(*jpeg, jpeg->width());
  }
  if (auto png = PngBandDecoder::open(path, &reason); png && !png->interlaced() && png->width() <= 16384)
    readSomeRows(*png, png->width());
  close(fd);
  return 0;
}
