#include "qv/media/QVAssetReader.h"

#include <cstdlib>
#include <cstring>

#include "qv/media/QVAVFoundationProducer.h"
#include "qv/os/QVLog.h"
#include "qv/os/URL.h"
#include "qv/os/av/Asset.h"
#include "qv/os/av/AssetReader.h"
#include "qv/os/av/MutableComposition.h"

namespace qv {

std::shared_ptr<QVAssetReader> QVAssetReader::initWithURL(const char* url, OptionsSink sink, void* target) {
  std::shared_ptr<QVAssetReader> reader(new QVAssetReader(sink, target));
  std::optional<URL> parsed = url ? URL::URLWithString(url) : std::nullopt;
  if (parsed) {
    reader->_asset = Asset::URLAsset(*parsed);
  } else if (url) {
    QVLog("QVAssetReader: not a URL: \"%s\"", url);
  } else {
    QVLog("QVAssetReader: no URL");
  }
  reader->createReader();
  return reader;
}

std::shared_ptr<QVAssetReader> QVAssetReader::initWithAssets(
    const std::vector<std::shared_ptr<Asset>>& assets, OptionsSink sink, void* target) {
  std::shared_ptr<QVAssetReader> reader(new QVAssetReader(sink, target));
  auto composition = MutableComposition::composition();
  for (const auto& asset : assets) {
    if (!asset) continue;
    for (MediaType type : {MediaType::Audio, MediaType::Video, MediaType::Subtitle}) {
      for (const auto& source : asset->tracksWithMediaType(type)) {
        auto track = composition->addMutableTrack(type, 0);
        AVError error;
        if (!track->insertTimeRange({MediaTime::zero(), source->timeRange().duration}, *source,
                                    MediaTime::zero(), &error)) {
          QVLog("Error - %s", error.debugDescription().c_str());
        }
      }
    }
  }
  reader->_asset = composition;
  reader->createReader();
  return reader;
}

QVAssetReader::~QVAssetReader() {
  releaseState();
}

void QVAssetReader::releaseState() {
  _assetreader.reset();
  _producer.reset();
  for (uint32_t i = 0; i < readeroptions.size; ++i) {
    if (readeroptions.options[i].output) readeroptions.options[i].output->release();
  }
  std::free(readeroptions.options);
  readeroptions = {0, nullptr};
}

void QVAssetReader::createReader() {
  auto self = shared_from_this();  // the old producer may hold the last other reference
  releaseState();
  _producer = std::make_unique<QVAVFoundationProducer>(self);

  AVError error;
  _assetreader = AssetReader::assetReaderWithAsset(_asset, &error);
  // Without an asset the missing URL has been logged already.
  if (!_assetreader && _asset)
    QVLog("QVAssetReader: cannot read the asset: %s", error.debugDescription().c_str());

  _audio_tracks.clear();
  _video_tracks.clear();
  _subtitle_tracks.clear();
  if (_asset) {
    _audio_tracks = _asset->tracksWithMediaType(MediaType::Audio);
    _video_tracks = _asset->tracksWithMediaType(MediaType::Video);
    _subtitle_tracks = _asset->tracksWithMediaType(MediaType::Subtitle);
  }

  readeroptions.size = uint32_t(_audio_tracks.size());
  readeroptions.options = static_cast<QVTrackOption*>(
      std::calloc(_audio_tracks.empty() ? 1 : _audio_tracks.size(), sizeof(QVTrackOption)));
  blockIndex = 0;
  for (size_t i = 0; i < _audio_tracks.size(); ++i) {
    QVTrackOption& record = readeroptions.options[blockIndex];
    record.kind = QVTrackOption::kAudioTrack;
    record.trackIndex = uint32_t(i);
    for (const AudioStreamDescription& d : _audio_tracks[i]->audioStreamDescriptions()) {
      record.sampleRate = d.sampleRate;
      record.formatID = d.formatID;
      record.formatFlags = d.formatFlags;
      record.bytesPerPacket = d.bytesPerPacket;
      record.framesPerPacket = d.framesPerPacket;
      record.bytesPerFrame = d.bytesPerFrame;
      record.channelsPerFrame = d.channelsPerFrame;
      record.bitsPerChannel = d.bitsPerChannel;
    }
    ++blockIndex;
  }
}

void QVAssetReader::readMetadata() {
  if (optionssink) optionssink(&readeroptions, optionstarget);
}

bool QVAssetReader::buildReader(QVReaderOptions* t) {
  for (size_t i = 0; t && i < _audio_tracks.size(); ++i) {
    QVTrackOption* chosen = nullptr;
    for (uint32_t r = 0; r < t->size; ++r) {
      QVTrackOption& record = t->options[r];
      if (record.kind == QVTrackOption::kAudioTrack && record.trackIndex == i && record.selected == 1) {
        chosen = &record;
      }
    }
    if (!chosen) continue;
    AudioOutputSettings settings;
    // A rate of 0 (a track without a description, or a host's choice) leaves the rate to the decoder.
    if (chosen->sampleRate > 0) settings.sampleRate = float(chosen->sampleRate);
    AssetReaderTrackOutput* output = AssetReaderTrackOutput::create(_audio_tracks[i], settings);
    if (_assetreader) _assetreader->addOutput(output);
    if (chosen->output) chosen->output->release();
    chosen->output = output;
  }
  if (_assetreader && !_assetreader->startReading() && _assetreader->error()) {
    QVLog("QVAssetReader: cannot start reading: %s", _assetreader->error()->debugDescription().c_str());
  }
  return true;
}

bool QVAssetReader::nextFrame() {
  for (uint32_t i = 0; i < readeroptions.size; ++i) {
    const QVTrackOption& record = readeroptions.options[i];
    if (record.selected != 1 || !record.output) continue;
    std::shared_ptr<SampleBuffer> block = record.output->copyNextSampleBuffer();
    if (!block) {
      QVLogAt(QVLogLevel::Debug, "EMPTY");
      continue;
    }
    AudioBuffer buffer;
    uint32_t count = 0;
    if (!block->audioBufferList(&buffer, 1, &count)) {
      QVLogAt(QVLogLevel::Debug, "EMPTY");
      continue;
    }
    const uint8_t* data = buffer.data;
    uint32_t n = buffer.dataByteSize;

    // Channel 0 and channel 1 of each whole frame; a mono track gives its one channel for both.
    uint32_t channels =
        block->format().channelsPerFrame ? block->format().channelsPerFrame : record.channelsPerFrame;
    size_t frameBytes = size_t(channels) * 2;
    size_t second = channels > 1 ? 2 : 0;
    size_t frames = frameBytes ? n / frameBytes : 0;
    firstChannel.resize(frames * 2);
    secondChannel.resize(frames * 2);
    for (size_t f = 0; f < frames; ++f) {
      const uint8_t* frame = data + f * frameBytes;
      std::memcpy(&firstChannel[f * 2], frame, 2);
      std::memcpy(&secondChannel[f * 2], frame + second, 2);
    }

    float rate = record.sampleRate > 0 ? float(record.sampleRate) : float(block->format().sampleRate);
    _producer->ReceiveSampleData(i, QVSOUND_OUTPUT_INTERLEAVED, data, rate, n);
    _producer->ReceiveSampleData(i, QVSOUND_OUTPUT_FIRST_CHANNEL, firstChannel.data(), rate,
                                 uint32_t(firstChannel.size()));
    _producer->ReceiveSampleData(i, QVSOUND_OUTPUT_SECOND_CHANNEL, secondChannel.data(), rate,
                                 uint32_t(secondChannel.size()));
  }
  return true;
}

std::string QVAssetReader::loadError() const {
  return _asset && _asset->loadError() ? _asset->loadError()->description : std::string();
}

QVSoundProducer* QVAssetReader::getProducer() {
  return _producer.get();
}

void QVAssetReader::cleanup() {
  // Destroying the producer drops its reference to this reader, which may be the last one but ours.
  auto self = shared_from_this();
  releaseState();
}

}  // namespace qv
