// Reads the tracks of an asset through track outputs: add the outputs, start reading, then pull blocks from
// each output. Creation fails (nullptr, *error filled) for an asset that could not be loaded. The reader
// holds one reference to each output added to it.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "qv/os/av/AVError.h"
#include "qv/os/av/Asset.h"
#include "qv/os/av/AssetReaderTrackOutput.h"

namespace qv {

class AssetReader {
 public:
  enum class Status { Unknown, Reading, Completed, Failed, Cancelled };

  static std::shared_ptr<AssetReader> assetReaderWithAsset(std::shared_ptr<Asset> asset, AVError* error);
  ~AssetReader();
  AssetReader(const AssetReader&) = delete;
  AssetReader& operator=(const AssetReader&) = delete;

  const std::shared_ptr<Asset>& asset() const { return asset_; }
  // Outputs can be added before reading starts, for tracks of this reader's asset.
  bool canAddOutput(const AssetReaderTrackOutput* output) const;
  void addOutput(AssetReaderTrackOutput* output);
  const std::vector<AssetReaderTrackOutput*>& outputs() const { return outputs_; }

  // Opens every output. False, with status Failed and error() set, when one of them cannot be opened; the
  // others still read.
  bool startReading();
  Status status() const { return status_; }
  const std::optional<AVError>& error() const { return error_; }

 private:
  explicit AssetReader(std::shared_ptr<Asset> asset) : asset_(std::move(asset)) {}
  std::shared_ptr<Asset> asset_;
  std::vector<AssetReaderTrackOutput*> outputs_;
  Status status_ = Status::Unknown;
  std::optional<AVError> error_;
};

}  // namespace qv
