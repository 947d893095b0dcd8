// libFuzzer target for the Base64 decoders. The first input byte picks a capacity slack; the rest is the
// text. Buffers are allocated at exactly their capacity so AddressSanitizer catches any write past it.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "qv/platform/Base64.h"
#include "qv/platform/Base64Kernels.h"
#include "qv/platform/Base64String.h"

using namespace qv;

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

bool sameBytes(const void* a, const void* b, size_t size) {
  return size == 0 || std::memcmp(a, b, size) == 0;
}

// A character's value in the alphabet, or -1.
int alphabetValue(uint8_t c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// The decoder's rules one character at a time.
std::vector<uint8_t> referenceDecode(const uint8_t* text, size_t size) {
  std::vector<uint8_t> out;
  unsigned count = 0;
  uint32_t bits = 0;
  for (size_t i = 0; i < size; ++i) {
    const uint8_t c = text[i];
    if (c == '=') break;
    const int v = c == 0 ? 0 : alphabetValue(c);
    if (v < 0) continue;
    bits = bits << 6 | uint32_t(v);
    if (++count >= 2) out.push_back(uint8_t(bits >> (2 * (4 - count))));
    if (count == 4) count = 0, bits = 0;
  }
  return out;
}

// The string decoder's rules: NUL is skipped too, a pad ends the text, unfinished groups at the end drop.
std::vector<uint8_t> referenceStringDecode(const uint8_t* text, size_t size) {
  std::vector<uint8_t> out;
  std::vector<int> group;
  for (size_t i = 0; i < size; ++i) {
    const uint8_t c = text[i];
    if (c == '=') {
      if (group.size() >= 2) out.push_back(uint8_t(group[0] << 2 | group[1] >> 4));
      if (group.size() == 3) out.push_back(uint8_t(group[1] << 4 | group[2] >> 2));
      return out;
    }
    const int v = alphabetValue(c);
    if (v < 0) continue;
    group.push_back(v);
    if (group.size() == 4) {
      out.push_back(uint8_t(group[0] << 2 | group[1] >> 4));
      out.push_back(uint8_t(group[1] << 4 | group[2] >> 2));
      out.push_back(uint8_t(group[2] << 6 | group[3]));
      group.clear();
    }
  }
  return out;
}

void decodeAndCompare(const uint8_t* text, size_t size, size_t slack) {
  const std::vector<uint8_t> expected = referenceDecode(text, size);
  const size_t capacity = EstimateBas64DecodedDataSize(size) + slack;
  auto out = std::make_unique<uint8_t[]>(capacity + 1);  // +1: never zero-sized
  size_t io = capacity;
  check(Base64DecodeData(text, size, out.get(), &io));
  check(io == expected.size() && io <= capacity);
  check(sameBytes(out.get(), expected.data(), io));
  for (size_t i = io; i < capacity; ++i) check(out[i] == '.');

  // Both kernels, whichever the dispatcher picked.
  for (auto kernel : {base64kernels::decodePortable, base64kernels::decodeAVX2}) {
    if (kernel == base64kernels::decodeAVX2 && !base64kernels::cpuHasAVX2()) continue;
    const size_t exact = EstimateBas64DecodedDataSize(size);
    auto buffer = std::make_unique<uint8_t[]>(exact + 1);
    check(kernel(text, size, buffer.get()) == expected.size());
    check(sameBytes(buffer.get(), expected.data(), expected.size()));
  }

  // One byte short of the estimate: refused, buffer untouched.
  if (EstimateBas64DecodedDataSize(size) > 0) {
    const size_t small = EstimateBas64DecodedDataSize(size) - 1;
    auto buffer = std::make_unique<uint8_t[]>(small + 1);
    std::memset(buffer.get(), 0xA5, small + 1);
    io = small;
    check(!Base64DecodeData(text, size, buffer.get(), &io));
    check(io == small);
    for (size_t i = 0; i <= small; ++i) check(buffer[i] == 0xA5);
  }
}

void roundTrip(const uint8_t* data, size_t size, int wrap) {
  const size_t capacity = EstimateBas64EncodedDataSize(size);
  auto text = std::make_unique<char[]>(capacity + 1);
  size_t io = capacity;
  check(Base64EncodeData(data, size, text.get(), &io, wrap));
  check(io <= capacity);
  check(wrap ? io == capacity : io == (size + 2) / 3 * 4);
  const auto* encoded = reinterpret_cast<const uint8_t*>(text.get());
  const std::vector<uint8_t> back = referenceDecode(encoded, io);
  check(back.size() == size && sameBytes(back.data(), data, size));
  decodeAndCompare(encoded, io, 0);
  const std::vector<uint8_t> viaString = base64DataFromString(std::string_view(text.get(), io));
  check(viaString == back);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t slack = data[0] & 7;
  const uint8_t* text = data + 1;
  const size_t length = size - 1;
  decodeAndCompare(text, length, slack);
  check(base64DataFromString(std::string_view(reinterpret_cast<const char*>(text), length)) ==
        referenceStringDecode(text, length));
  roundTrip(text, length, data[0] & 8);
  return 0;
}
