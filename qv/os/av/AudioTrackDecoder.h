// Decodes one audio stream of an opened input to 16-bit signed little-endian interleaved PCM, one block
// per read, keeping the stream's channels and resampling to the requested rate when one is set. The input
// is a file opened by path, or any demuxer handed over (one reading from memory, for instance). Used from
// one thread at a time.
#pragma once

#include <memory>
#include <string>

#include "qv/os/av/AVError.h"
#include "qv/os/av/SampleBuffer.h"

struct AVFormatContext;

namespace qv {

class AudioTrackDecoder {
 public:
  // `requestedRate` in Hz; 0 keeps the decoder's rate.
  explicit AudioTrackDecoder(int requestedRate);
  ~AudioTrackDecoder();
  AudioTrackDecoder(const AudioTrackDecoder&) = delete;
  AudioTrackDecoder& operator=(const AudioTrackDecoder&) = delete;

  // Opens stream `stream` of the file at `path`; false with *error filled when it cannot.
  bool open(const std::string& path, int stream, AVError* error);
  // The same on an input already opened (with its stream information read). The caller keeps `format`
  // open while the decoder lives and closes it afterwards.
  bool open(AVFormatContext* format, int stream, AVError* error);
  // The next block into `block`; false at the end of the stream or once decoding has failed.
  bool next(SampleBuffer& block);
  bool finished() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace qv
