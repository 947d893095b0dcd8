// One record of the track table that QVAssetReader hands to host code: 88 bytes in a fixed layout, one per
// audio track of the asset. The host sets `selected`; the reader fills the rest.
#pragma once

#include <cstddef>
#include <cstdint>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class AssetReaderTrackOutput;

struct QVTrackOption {
  static constexpr uint32_t kAudioTrack = 1;

  uint32_t kind;     // kAudioTrack, the only kind created
  uint8_t selected;  // 1: decode this track; set by the host
  uint8_t zero0[3];
  uint32_t trackIndex;  // position among the asset's audio tracks, from 0
  uint8_t zero1[4];
  // The first eight fields of the track's stream description; all 0 when it has none.
  double sampleRate;  // Hz; the rate the track is decoded at (0: the decoder's own)
  uint32_t formatID;  // four-character code
  uint32_t formatFlags;
  uint32_t bytesPerPacket;
  uint32_t framesPerPacket;
  uint32_t bytesPerFrame;
  uint32_t channelsPerFrame;
  uint32_t bitsPerChannel;
  uint8_t zero2[4];
  AssetReaderTrackOutput* output;  // the track's decoding output once built; the record holds one reference
  uint8_t zero3[24];
};

static_assert(sizeof(void*) == 8, "the track record layout is defined for 64-bit pointers");
static_assert(sizeof(QVTrackOption) == 88);
static_assert(offsetof(QVTrackOption, selected) == 4);
static_assert(offsetof(QVTrackOption, trackIndex) == 8);
static_assert(offsetof(QVTrackOption, sampleRate) == 16);
static_assert(offsetof(QVTrackOption, formatID) == 24);
static_assert(offsetof(QVTrackOption, bitsPerChannel) == 48);
static_assert(offsetof(QVTrackOption, output) == 56);

}  // namespace qv
QV_EXPORT_END
