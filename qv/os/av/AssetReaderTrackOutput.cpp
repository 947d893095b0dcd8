#include "qv/os/av/AssetReaderTrackOutput.h"

#include <cmath>

#include "qv/os/av/AudioTrackDecoder.h"

namespace qv {

AssetReaderTrackOutput* AssetReaderTrackOutput::create(std::shared_ptr<AssetTrack> track,
                                                       const AudioOutputSettings& settings) {
  return new AssetReaderTrackOutput(std::move(track), settings);
}

AssetReaderTrackOutput::AssetReaderTrackOutput(std::shared_ptr<AssetTrack> track,
                                               const AudioOutputSettings& settings)
    : track_(std::move(track)), settings_(settings) {}

AssetReaderTrackOutput::~AssetReaderTrackOutput() = default;

void AssetReaderTrackOutput::release() {
  if (references_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
}

bool AssetReaderTrackOutput::start(AVError* error) {
  auto fail = [&](const char* text) {
    if (error) *error = AVError{"AVFoundationErrorDomain", -11800, text};
    return false;
  };
  if (decoder_) return fail("the output is already reading");
  if (!track_ || track_->mediaType() != MediaType::Audio) return fail("the track is not an audio track");
  if (!track_->hasSource()) return fail("the track has no media data");
  const AudioOutputSettings& s = settings_;
  if (s.formatID != AudioStreamDescription::kLinearPCM || s.bitDepth != 16 || s.isNonInterleaved ||
      s.isFloat || s.isBigEndian) {
    return fail("only 16-bit signed little-endian interleaved linear PCM is produced");
  }
  if (s.sampleRate &&
      !(std::isfinite(*s.sampleRate) && *s.sampleRate >= 1.0f && *s.sampleRate <= 768000.0f)) {
    return fail("the output sample rate is out of range");
  }
  auto decoder = std::make_unique<AudioTrackDecoder>(s.sampleRate ? int(std::lround(*s.sampleRate)) : 0);
  if (!decoder->open(track_->sourcePath(), track_->sourceStream(), error)) return false;
  decoder_ = std::move(decoder);
  return true;
}

std::shared_ptr<SampleBuffer> AssetReaderTrackOutput::copyNextSampleBuffer() {
  if (!decoder_ || decoder_->finished()) return nullptr;
  // Reuse the previous block's storage when the caller has let go of it: fresh pages cost more than decoding.
  std::shared_ptr<SampleBuffer> block;
  if (spare_ && spare_.use_count() == 1) {
    block = std::move(spare_);
  } else {
    block = std::make_shared<SampleBuffer>();
  }
  spare_.reset();
  if (!decoder_->next(*block)) return nullptr;
  spare_ = block;
  return block;
}

}  // namespace qv
