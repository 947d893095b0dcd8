// libFuzzer target for still images from bytes: JPEG and PNG decoding, orientation and the conversion to
// the premultiplied BGRA the view uploads. The copy goes into a buffer of exactly the rows' size so
// AddressSanitizer catches a write past it; every pixel read back must be a valid premultiplied one.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

#include "qv/os/Image.h"
#include "qv/os/QVLog.h"

using namespace qv;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  QVLogSetSink([](std::string_view) {});  // bad input is expected, and one line each would drown the output
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto image = Image::fromBytes(std::span<const uint8_t>(data, size), "fuzz");
  if (!image) return 0;
  if (image->width() <= 0 || image->height() <= 0) std::abort();
  const size_t row = size_t(image->width()) * 4, bytes = row * size_t(image->height());
  if (image->rgba().size() != bytes) std::abort();
  std::unique_ptr<uint8_t[]> bgra(new uint8_t[bytes]);
  image->copyPremultipliedBGRA(bgra.get(), row);
  for (size_t i = 0; i < bytes; i += 4) {
    const uint8_t alpha = bgra[i + 3];
    if (bgra[i] > alpha || bgra[i + 1] > alpha || bgra[i + 2] > alpha) std::abort();
  }
  return 0;
}
