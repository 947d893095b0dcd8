#include "qv/platform/Base64String.h"

#include <array>

namespace qv {

namespace {

constexpr uint8_t kOther = 0x80;
constexpr uint8_t kPad = 0xC0;

constexpr std::array<uint8_t, 256> makeValues() {
  std::array<uint8_t, 256> values{};
  for (auto& v : values) v = kOther;
  for (int c = 'A'; c <= 'Z'; ++c) values[c] = uint8_t(c - 'A');
  for (int c = 'a'; c <= 'z'; ++c) values[c] = uint8_t(c - 'a' + 26);
  for (int c = '0'; c <= '9'; ++c) values[c] = uint8_t(c - '0' + 52);
  values['+'] = 62;
  values['/'] = 63;
  values['='] = kPad;
  return values;
}
constexpr std::array<uint8_t, 256> kValues = makeValues();

}  // namespace

std::vector<uint8_t> base64DataFromString(std::optional<std::string_view> string) {
  std::vector<uint8_t> data;
  if (!string) return data;
  // Every byte of the UTF-8 text is looked at, however many UTF-16 units the text has.
  const auto* bytes = reinterpret_cast<const uint8_t*>(string->data());
  const size_t length = string->size();
  data.reserve(length / 4 * 3 + 2);
  uint8_t group[4] = {};
  unsigned count = 0;
  for (size_t i = 0; i < length; ++i) {
    const uint8_t v = kValues[bytes[i]];
    if (v == kPad) {
      // One character alone holds only six bits: no byte.
      if (count >= 2) data.push_back(uint8_t(group[0] << 2 | group[1] >> 4));
      if (count == 3) data.push_back(uint8_t(group[1] << 4 | group[2] >> 2));
      return data;
    }
    if (v == kOther) continue;
    group[count++] = v;
    if (count == 4) {
      data.push_back(uint8_t(group[0] << 2 | group[1] >> 4));
      data.push_back(uint8_t(group[1] << 4 | group[2] >> 2));
      data.push_back(uint8_t(group[2] << 6 | group[3]));
      count = 0;
    }
  }
  return data;
}

}  // namespace qv
