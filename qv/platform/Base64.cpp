#include "qv/platform/Base64.h"

#include <cstring>

#include "qv/platform/Base64Kernels.h"

namespace qv {

namespace {

constexpr size_t kLineCharacters = 72;
constexpr size_t kLineInputBytes = kLineCharacters / 4 * 3;  // 54

using EncodeKernel = size_t (*)(const uint8_t*, size_t, char*);
using DecodeKernel = size_t (*)(const uint8_t*, size_t, uint8_t*);

// Chosen once: the CPU does not change under a running process.
EncodeKernel encodeKernel() {
  static const EncodeKernel kernel =
      base64kernels::cpuHasAVX2() ? base64kernels::encodeAVX2 : base64kernels::encodePortable;
  return kernel;
}

DecodeKernel decodeKernel() {
  static const DecodeKernel kernel =
      base64kernels::cpuHasAVX2() ? base64kernels::decodeAVX2 : base64kernels::decodePortable;
  return kernel;
}

}  // namespace

size_t EstimateBas64EncodedDataSize(size_t inputSize) {
  const size_t groups = inputSize / 3 + (inputSize % 3 != 0);
  if (groups > SIZE_MAX / 4) return SIZE_MAX;
  const size_t characters = groups * 4;
  const size_t breaks = characters / kLineCharacters * 2;
  if (characters > SIZE_MAX - breaks) return SIZE_MAX;
  return characters + breaks;
}

size_t EstimateBas64DecodedDataSize(size_t inputSize) {
  // ceil(n / 4) <= SIZE_MAX / 4 + 1, so three times it always fits.
  return (inputSize / 4 + (inputSize % 4 != 0)) * 3;
}

bool Base64EncodeData(const void* input, size_t inputSize, char* output, size_t* ioSize, int wrap) {
  if (ioSize == nullptr) return false;
  const size_t needed = EstimateBas64EncodedDataSize(inputSize);
  if (needed == SIZE_MAX || *ioSize < needed) return false;
  if (inputSize > 0 && (input == nullptr || output == nullptr)) return false;

  const auto* in = static_cast<const uint8_t*>(input);
  const EncodeKernel encode = encodeKernel();
  if (!wrap) {
    *ioSize = inputSize > 0 ? encode(in, inputSize, output) : 0;
    return true;
  }
  size_t i = encode == base64kernels::encodeAVX2 ? base64kernels::encodeLinesAVX2(in, inputSize, output) : 0;
  size_t o = i / kLineInputBytes * (kLineCharacters + 2);
  for (; inputSize - i >= kLineInputBytes; i += kLineInputBytes) {
    o += encode(in + i, kLineInputBytes, output + o);
    output[o++] = '\r';
    output[o++] = '\n';
  }
  if (i < inputSize) {
    const size_t last = encode(in + i, inputSize - i, output + o);
    o += last;
    // 52 or 53 trailing bytes still fill a whole line once padded.
    if (last == kLineCharacters) {
      output[o++] = '\r';
      output[o++] = '\n';
    }
  }
  *ioSize = o;
  return true;
}

bool Base64DecodeData(const void* input, size_t inputSize, void* output, size_t* ioSize) {
  if (ioSize == nullptr) return false;
  const size_t capacity = *ioSize;
  if (capacity < EstimateBas64DecodedDataSize(inputSize)) return false;
  if ((inputSize > 0 && input == nullptr) || (capacity > 0 && output == nullptr)) return false;

  auto* out = static_cast<uint8_t*>(output);
  const size_t decoded =
      inputSize > 0 ? decodeKernel()(static_cast<const uint8_t*>(input), inputSize, out) : 0;
  if (capacity > decoded) std::memset(out + decoded, '.', capacity - decoded);
  *ioSize = decoded;
  return true;
}

}  // namespace qv
