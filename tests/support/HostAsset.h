// The host's side of an attached video for tests and benchmarks: the view only needs an asset to be there;
// frames arrive through the listener calls the caller makes.
#pragma once

#include "qv/media/QVAsset.h"

using namespace qv;

class HostAsset : public QVAsset {
 public:
  void play() override {}
  void playWithSeekTo(MediaTime, bool) override {}
  void pause() override {}
  void stop() override {}
  MediaTimeRange getTimeRange() override { return {}; }
  void setTimeRange(MediaTime, MediaTime, bool) override {}
  MediaTime getPlaybackTime() override { return {}; }
  MediaTime getDuration() override { return {}; }
  std::string getUrl() override { return {}; }
  void addObserver(std::weak_ptr<QVAssetObserver>) override {}
  void removeObserver(const void*) override {}
  int32_t getStatus() override { return 2; }
  float getDownloadProgress() override { return 1; }
  bool setTimeMonitor(std::weak_ptr<QVAssetTimeMonitor>) override { return true; }
  void setVolume(float) override {}
  bool setAssetListener(std::weak_ptr<QVAssetListener>) override { return true; }
};
