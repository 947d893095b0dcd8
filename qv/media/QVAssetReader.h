// Decodes the audio tracks of a media file, or of several assets combined into one composition, to 16-bit
// PCM and hands the blocks to the host's sound sources through its producer.
// Order of use: an initialiser, readMetadata (the host's callback marks the tracks it wants), buildReader
// with that table, getProducer, then RequestSample/Tick on the producer, and cleanup at the end. The producer
// keeps the reader alive until cleanup. No lock: one thread drives it all, normally the host's sound thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "qv/media/QVAVFoundationProducer.h"
#include "qv/media/QVReaderOptions.h"
#include "qv/media/QVSoundProducer.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class Asset;
class AssetReader;
class AssetTrack;

class QVAssetReader : public std::enable_shared_from_this<QVAssetReader> {
 public:
  // Receives the track table and the host's context; its result is not used.
  using OptionsSink = int (*)(QVReaderOptions* options, void* target);

  // `url` is URL text such as "file:///path/to/file.m4a" (a bare path is not a URL); nullptr is allowed and
  // gives a reader with no tracks.
  static std::shared_ptr<QVAssetReader> initWithURL(const char* url, OptionsSink sink, void* target);
  // The audio, video and subtitle tracks of `assets`, in that order per asset, each starting at time zero.
  static std::shared_ptr<QVAssetReader> initWithAssets(const std::vector<std::shared_ptr<Asset>>& assets,
                                                       OptionsSink sink, void* target);
  ~QVAssetReader();
  QVAssetReader(const QVAssetReader&) = delete;
  QVAssetReader& operator=(const QVAssetReader&) = delete;

  void readMetadata();
  bool buildReader(QVReaderOptions* options);
  bool nextFrame();
  QVSoundProducer* getProducer();
  void cleanup();
  void createReader();
  bool cleanReader() { return true; }
  bool canRead() const { return _canread; }
  uint32_t readTrackToBuffers(void* /*buffers*/) { return 0; }
  uint32_t readChannelToBuffer(uint8_t* /*buffer*/, uint32_t /*maxSize*/) { return 0; }

  const QVReaderOptions& readerOptions() const { return readeroptions; }
  // Why the asset could not be read (a file that is missing, corrupt or not a media file), in one line;
  // empty when it was read or when the reader was made without a URL.
  std::string loadError() const;
  const std::vector<std::shared_ptr<AssetTrack>>& audioTracks() const { return _audio_tracks; }
  const std::vector<std::shared_ptr<AssetTrack>>& videoTracks() const { return _video_tracks; }
  const std::vector<std::shared_ptr<AssetTrack>>& subtitleTracks() const { return _subtitle_tracks; }

 private:
  QVAssetReader(OptionsSink sink, void* target) : optionssink(sink), optionstarget(target) {}
  // Releases the asset reader, the producer and the records with the outputs they hold.
  void releaseState();

  std::shared_ptr<Asset> _asset;
  std::shared_ptr<AssetReader> _assetreader;
  std::vector<std::shared_ptr<AssetTrack>> _audio_tracks;
  std::vector<std::shared_ptr<AssetTrack>> _video_tracks;
  std::vector<std::shared_ptr<AssetTrack>> _subtitle_tracks;
  bool _canread = false;
  OptionsSink optionssink = nullptr;
  void* optionstarget = nullptr;  // the host's, not owned
  QVReaderOptions readeroptions{0, nullptr};
  int32_t blockIndex = 0;
  std::unique_ptr<QVAVFoundationProducer> _producer;

  // Channel blocks of the current read, kept between reads so that their storage is reused.
  std::vector<uint8_t> firstChannel;
  std::vector<uint8_t> secondChannel;
};

}  // namespace qv
QV_EXPORT_END
