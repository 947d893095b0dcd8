#include "qv/media/QVAVFoundationProducer.h"

#include "qv/media/QVAssetReader.h"

namespace qv {

void QVAVFoundationProducer::Tick(float /*elapsed*/) {
  if (requests.empty()) return;
  reader->nextFrame();
  requests.clear();
}

void QVAVFoundationProducer::RequestSample(QVSoundSource* source, uint32_t track, QVSOUND_OUTPUT_TYPE type) {
  requests.emplace(source, std::make_pair(track, type));  // an existing request stays as it is
}

void QVAVFoundationProducer::ReceiveSampleData(uint32_t track, QVSOUND_OUTPUT_TYPE type, const uint8_t* data,
                                               float rate, uint32_t size) {
  for (const auto& [source, request] : requests) {
    if (request.first == track && request.second == type) source->ReceiveSample(type, data, rate, size);
  }
}

}  // namespace qv
