// A playable asset as the host and the view see it. Status codes: 1 ready, 2 playing, 3 paused,
// 4 stopped, 5 finished, 9 failed, 10 loading or seeking; 11 buffer empty, 12 buffer full and 13 likely to
// keep up are messages only. The asset refers to its listener, observer and monitor weakly.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "qv/os/PanoramaLayout.h"
#include "qv/os/av/MediaTime.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class QVAssetListener;
class QVAssetObserver;
class QVAssetTimeMonitor;

class QVAsset {
 public:
  virtual ~QVAsset() = default;
  virtual void play() = 0;
  virtual void playWithSeekTo(MediaTime time, bool onKeyFrame) = 0;
  virtual void pause() = 0;
  virtual void stop() = 0;
  virtual MediaTimeRange getTimeRange() = 0;
  virtual void setTimeRange(MediaTime start, MediaTime duration, bool onKeyFrame) = 0;
  virtual MediaTime getPlaybackTime() = 0;
  virtual MediaTime getDuration() = 0;
  virtual std::string getUrl() = 0;
  virtual void addObserver(std::weak_ptr<QVAssetObserver> observer) = 0;
  virtual void removeObserver(const void* ignored) = 0;
  virtual int32_t getStatus() = 0;
  virtual float getDownloadProgress() = 0;
  virtual bool setTimeMonitor(std::weak_ptr<QVAssetTimeMonitor> monitor) = 0;
  virtual void setVolume(float volume) = 0;
  virtual bool setAssetListener(std::weak_ptr<QVAssetListener> listener) = 0;
  // What the media's metadata says about its panorama, once known; none for media that says nothing (or
  // says something the kit cannot show), and for assets that do not read metadata. Any thread.
  virtual std::optional<PanoramaLayout> panoramaLayout() { return std::nullopt; }
  // Degrees counter-clockwise the pictures are to be turned when shown flat (0, 90, 180 or 270).
  virtual int32_t displayRotation() { return 0; }
};

}  // namespace qv
QV_EXPORT_END
