#include "apps/qvview/VideoPlayback.h"

#include <algorithm>
#include <cctype>

#include "qv/core/QVObjectFactory.h"
#include "qv/media/QVVideoStreamAsset.h"
#include "qv/os/RunLoop.h"
#include "qv/os/av/PlayerItemVideoOutput.h"

using namespace qv;

bool VideoPlayback::isVideo(const Options& options) {
  if (!options.file) return false;
  std::string name = *options.file;
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  if (name.find("://") != std::string::npos) return true;
  for (const char* picture : {".jpg", ".jpeg", ".png"}) {
    size_t n = std::char_traits<char>::length(picture);
    if (name.size() >= n && name.compare(name.size() - n, n, picture) == 0) return false;
  }
  return true;
}

std::shared_ptr<VideoPlayback> VideoPlayback::start(const std::string& url, QVViewGL& view) {
  auto playback = std::make_shared<VideoPlayback>();
  playback->asset_ = QVObjectFactory::assetFromUrl(url, playback);
  playback->asset_->setTimeMonitor(playback);
  view.displayAsset(playback->asset_);
  return playback;
}

void VideoPlayback::onStatusMessage(QVAsset*, int32_t code) {
  if (code >= 11) return;  // buffer messages are not states
  status_ = code;
  if (code == 1 && asset_) asset_->play();
  if (code == 5 && asset_)
    asset_->setTimeRange(MediaTime::zero(), MediaTime::positiveInfinity(), true);  // loop
}

void VideoPlayback::onPlayerTime(QVAsset*, MediaTime) {
  if (showsFrame_ || !asset_) return;
  auto output = asset_->videoOutput();
  showsFrame_ = output && output->framesCopied() > 0;
}

void VideoPlayback::stopAndWait() {
  if (!asset_) return;
  asset_->stop();
  for (int i = 0; i < 200 && status_.load() != 4 && !failed(); ++i) RunLoop::main().runFor(0.01);
}
