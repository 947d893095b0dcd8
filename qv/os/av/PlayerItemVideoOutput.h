// The video output of a player item: answers whether a new frame is due at an item time and hands it
// out as a BGRA PixelBuffer converted with libswscale into buffers from a reused pool. Frames that were
// due but replaced by a newer one before anyone copied them are counted as skipped; frames copied more
// than a frame period after their time as late. Made by the host, attached with PlayerItem::addOutput;
// one thread polls it (the asset's capture thread).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "qv/os/PixelBuffer.h"
#include "qv/os/av/MediaTime.h"
#include "qv/os/av/VideoFrameConverter.h"

namespace qv {

class PlaybackEngine;

class PlayerItemVideoOutput {
 public:
  // Only 32-bit BGRA ('BGRA') is produced; nullptr for any other pixel format.
  static std::shared_ptr<PlayerItemVideoOutput> create(uint32_t pixelFormat = PixelBuffer::kPixelFormatBGRA);
  ~PlayerItemVideoOutput();
  PlayerItemVideoOutput(const PlayerItemVideoOutput&) = delete;
  PlayerItemVideoOutput& operator=(const PlayerItemVideoOutput&) = delete;

  bool hasNewPixelBufferForItemTime(MediaTime itemTime) const;
  // The newest frame due at `itemTime`, or nullptr when none is new. *displayTime receives its time.
  std::shared_ptr<PixelBuffer> copyPixelBufferForItemTime(MediaTime itemTime,
                                                          MediaTime* displayTime = nullptr);

  uint64_t framesCopied() const { return copied_; }
  uint64_t framesSkipped() const;
  uint64_t framesLate() const { return late_; }
  size_t bufferAllocations() const;

 private:
  friend class PlayerItem;
  PlayerItemVideoOutput() = default;
  void attach(std::shared_ptr<PlaybackEngine> engine);
  std::shared_ptr<PlaybackEngine> engine() const;

  mutable std::mutex lock_;
  std::shared_ptr<PlaybackEngine> engine_;  // guarded by lock_
  mutable std::mutex convertLock_;          // one conversion at a time
  VideoFrameConverter converter_;           // guarded by convertLock_
  std::atomic<uint64_t> copied_{0}, late_{0};
};

}  // namespace qv
