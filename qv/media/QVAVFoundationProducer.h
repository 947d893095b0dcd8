// The sound producer of a QVAssetReader. Sources register one request each between ticks; a tick with
// requests decodes one block per selected track (the reader's nextFrame) and answers the requests that match
// each block, then forgets them all. Owned by its reader, which it keeps alive until the reader's cleanup.
// No lock: requests and ticks come from one thread, normally the host's sound thread.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <utility>

#include "qv/media/QVSoundProducer.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class QVAssetReader;

class QVAVFoundationProducer final : public QVSoundProducer {
 public:
  explicit QVAVFoundationProducer(std::shared_ptr<QVAssetReader> source) : reader(std::move(source)) {}

  void Tick(float elapsed) override;
  void RequestSample(QVSoundSource* source, uint32_t track, QVSOUND_OUTPUT_TYPE type) override;
  void ReceiveSampleData(uint32_t track, QVSOUND_OUTPUT_TYPE type, const uint8_t* data, float rate,
                         uint32_t size) override;

  size_t pendingRequests() const { return requests.size(); }

 private:
  std::shared_ptr<QVAssetReader> reader;
  // One request per source, visited in ascending order of source pointer: (track index, output type).
  std::map<QVSoundSource*, std::pair<uint32_t, QVSOUND_OUTPUT_TYPE>> requests;
};

}  // namespace qv
QV_EXPORT_END
