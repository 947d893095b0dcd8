// The basic description of an audio stream: rate, format code and the frame layout of its packets.
// For linear PCM every field is filled; for compressed formats the byte sizes are 0 and framesPerPacket is
// the codec's frame length, as the phone platform describes such streams.
#pragma once

#include <cstdint>

namespace qv {

struct AudioStreamDescription {
  // Format identifiers (four-character codes).
  static constexpr uint32_t kLinearPCM = 0x6C70636D;  // 'lpcm'
  // Flags of linear PCM.
  static constexpr uint32_t kFlagIsFloat = 1;
  static constexpr uint32_t kFlagIsBigEndian = 2;
  static constexpr uint32_t kFlagIsSignedInteger = 4;
  static constexpr uint32_t kFlagIsPacked = 8;

  double sampleRate = 0;  // Hz
  uint32_t formatID = 0;
  uint32_t formatFlags = 0;
  uint32_t bytesPerPacket = 0;
  uint32_t framesPerPacket = 0;
  uint32_t bytesPerFrame = 0;
  uint32_t channelsPerFrame = 0;
  uint32_t bitsPerChannel = 0;
  uint32_t reserved = 0;
};

constexpr uint32_t fourCharCode(const char (&code)[5]) {
  return uint32_t(uint8_t(code[0])) << 24 | uint32_t(uint8_t(code[1])) << 16 |
         uint32_t(uint8_t(code[2])) << 8 | uint32_t(uint8_t(code[3]));
}

}  // namespace qv
