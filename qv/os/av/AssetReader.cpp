#include "qv/os/av/AssetReader.h"

#include <algorithm>

namespace qv {

std::shared_ptr<AssetReader> AssetReader::assetReaderWithAsset(std::shared_ptr<Asset> asset, AVError* error) {
  if (!asset) {
    if (error) *error = AVError{"AVFoundationErrorDomain", -11800, "no asset"};
    return nullptr;
  }
  if (asset->loadError()) {
    if (error) *error = *asset->loadError();
    return nullptr;
  }
  return std::shared_ptr<AssetReader>(new AssetReader(std::move(asset)));
}

AssetReader::~AssetReader() {
  for (AssetReaderTrackOutput* output : outputs_) output->release();
}

bool AssetReader::canAddOutput(const AssetReaderTrackOutput* output) const {
  if (!output || status_ != Status::Unknown) return false;
  if (std::find(outputs_.begin(), outputs_.end(), output) != outputs_.end()) return false;
  const auto& tracks = asset_->tracks();
  return std::find(tracks.begin(), tracks.end(), output->track()) != tracks.end();
}

void AssetReader::addOutput(AssetReaderTrackOutput* output) {
  if (!canAddOutput(output)) return;
  output->retain();
  outputs_.push_back(output);
}

bool AssetReader::startReading() {
  if (status_ != Status::Unknown) return false;
  status_ = Status::Reading;
  for (AssetReaderTrackOutput* output : outputs_) {
    AVError failure;
    if (!output->start(&failure) && !error_) {
      error_ = failure;
      status_ = Status::Failed;
    }
  }
  return status_ == Status::Reading;
}

}  // namespace qv
