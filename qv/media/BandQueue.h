// Bands of decoded rows passed from a decoding thread to an uploading one through a fixed set of buffers:
// the decoder fills an empty buffer and hands it over, the uploader takes the full ones in order and gives
// each back. Each side waits while there is nothing for it, so the decoder runs at most `buffers` bands
// ahead and the memory stays fixed. close() ends both sides' waits (cancellation).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace qv {

class BandQueue {
 public:
  struct Band {
    std::unique_ptr<uint8_t[]> bytes;  // not zero-filled: pages the decoder never reaches cost nothing
    int firstRow = 0;
    int rows = 0;
  };

  BandQueue(int buffers, size_t bytesEach);
  BandQueue(const BandQueue&) = delete;
  BandQueue& operator=(const BandQueue&) = delete;

  // The decoder's side. takeEmpty waits for a buffer; nullptr once closed.
  Band* takeEmpty();
  // The uploader has said it is ready (markUploaderReady).
  bool uploaderReady() const;
  void putFull(Band* band);
  // No more bands will come: all were put (an empty failure) or decoding failed with that reason.
  void finish(std::string failure);

  // The uploader's side. Until markUploaderReady the decoder leaves alone what the uploader fills (the
  // textures). takeFull waits for the next band; nullptr at the end (see failure()) or once closed.
  void markUploaderReady();
  Band* takeFull();
  void putEmpty(Band* band);
  std::string failure() const;

  // Both sides stop waiting and get nullptr from here on. Any thread.
  void close();

 private:
  mutable std::mutex lock_;
  std::condition_variable changed_;
  std::vector<std::unique_ptr<Band>> buffers_;
  std::deque<Band*> empty_, full_;  // guarded by lock_
  bool finished_ = false, closed_ = false, uploaderReady_ = false;
  std::string failure_;

  Band* take(std::deque<Band*>& from, bool endsWhenFinished);
};

}  // namespace qv
