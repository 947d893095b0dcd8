// The player's engine for one item: demuxes and decodes on its own thread into a bounded video frame
// queue and a bounded sound buffer, runs the media clock at the player's rate, feeds the audio sink, and
// carries out seeks. Owned by its PlayerItem; the engine thread keeps the engine alive while it runs, so
// shutting down from the engine's own thread (a change handler dropping the last item) is safe.
// Change and end events are delivered on the engine thread with no engine lock held.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "qv/os/av/AudioSink.h"

struct AVFrame;

namespace qv {

class PlaybackEngine : public std::enable_shared_from_this<PlaybackEngine> {
 public:
  enum class Status { Unknown = 0, ReadyToPlay = 1, Failed = 2 };
  struct Events {
    std::function<void(std::string_view key)> changed;  // "status", "playbackBufferEmpty", ...
    std::function<void()> playedToEnd;
  };
  static constexpr size_t kVideoQueueFrames = 8;
  static constexpr double kAudioBufferSeconds = 2.0;
  static constexpr int kAudioRate = 48000, kAudioChannels = 2;

  static std::shared_ptr<PlaybackEngine> create(std::string inputName);
  ~PlaybackEngine();
  PlaybackEngine(const PlaybackEngine&) = delete;
  PlaybackEngine& operator=(const PlaybackEngine&) = delete;

  // Starts the engine thread once; later calls do nothing.
  void start(Events events);
  // Stops the thread and the sink; waits for the thread unless called on it.
  void shutdown();

  Status status() const;
  // Why the item failed, in one line; empty while it has not.
  std::string failureReason() const;
  double currentTime() const;  // seconds on the item's timeline
  double duration() const;     // seconds; 0 when unknown
  double frameDuration() const;
  void setRate(double rate);
  double rate() const;
  void setVolume(float volume) { volume_ = volume; }
  float volume() const { return volume_; }
  void setMuted(bool muted) { muted_ = muted; }
  bool isMuted() const { return muted_; }
  void setMixVolume(float volume) { mixVolume_ = volume; }  // the audio mix's volume of the sound track
  int32_t soundTrackID() const;                             // the played sound track's ID; 0 for none
  bool bufferEmpty() const;
  bool bufferFull() const;
  bool likelyToKeepUp() const;

  // Seeks to `target` seconds, clamped to the media (NaN seeks to the start). tolerance before 0 decodes up
  // to the exact position; otherwise the nearest key frame at or before it is shown. The completion runs on
  // the engine thread: true when the seek finished, false when a later seek (or shutdown) interrupted it.
  void seek(double target, double toleranceBefore, std::function<void(bool)> completion);

  // Video frames. hasFrame: a decoded frame due at `time` is waiting. takeFrame: removes every frame due
  // at `time` and returns the newest (the caller frees it with av_frame_free), counting the others as
  // skipped; *pts receives its time.
  bool hasFrame(double time) const;
  AVFrame* takeFrame(double time, double* pts);
  // Frames decoded but never handed out: replaced by a newer due frame before anyone took them.
  uint64_t skippedFrames() const;

 private:
  struct QueuedFrame {
    AVFrame* frame;
    double pts;
  };
  struct SeekRequest {
    double target = 0;
    bool exact = false;
    std::function<void(bool)> completion;
  };
  struct Decoding;  // FFmpeg state, touched by the engine thread only

  explicit PlaybackEngine(std::string inputName) : inputName_(std::move(inputName)) {}
  void run(Events events);
  bool open(Decoding& d);
  void startSeek(Decoding& d, SeekRequest request, std::vector<std::function<void()>>& calls);
  void readAndDecode(Decoding& d, std::vector<std::function<void()>>& calls);
  void decodeVideo(Decoding& d, std::vector<std::function<void()>>& calls);
  void decodeAudio(Decoding& d, std::vector<std::function<void()>>& calls);
  void finishSeekLocked(double firstPts, std::vector<std::function<void()>>& calls);
  void tickLocked(std::vector<std::string>& changes, bool& ended);
  double clockLocked() const;
  void rebaseLocked(double mediaTime);
  void failLocked(std::string reason, std::vector<std::string>& changes);
  void clearQueuesLocked();
  void dropOverdueFramesLocked();
  void pullAudio(float* samples, int frames);
  bool roomLocked() const;

  const std::string inputName_;
  std::atomic<bool> stopping_{false};
  std::atomic<float> volume_{1.0f}, mixVolume_{1.0f};
  std::atomic<bool> muted_{false};

  mutable std::mutex lock_;
  std::condition_variable wakeup_;
  std::thread thread_;               // guarded by lock_
  bool started_ = false;             // guarded by lock_
  Status status_ = Status::Unknown;  // guarded by lock_
  std::string failureReason_;        // guarded by lock_
  // Clock: media time = base + (now - wallBase) * rate while running.
  double rate_ = 0, base_ = 0, wallBase_ = 0;  // guarded by lock_
  // Guarded by lock_: the clock waits for data. Set from the start and after each seek until the queue
  // has filled, so the first frames are not overtaken by a clock that ran while the decoder warmed up.
  bool stalled_ = true;
  double duration_ = 0, frameDuration_ = 1.0 / 30;  // guarded by lock_
  bool hasVideo_ = false, hasAudio_ = false;        // guarded by lock_
  int32_t soundTrackID_ = 0;                        // guarded by lock_
  std::deque<QueuedFrame> video_;                   // guarded by lock_
  std::vector<float> audio_;                        // guarded by lock_; interleaved, from audioHead_
  size_t audioHead_ = 0;                            // guarded by lock_
  double audioPts_ = 0;                             // guarded by lock_; time of the sample at audioHead_
  double lastPts_ = 0;  // guarded by lock_; end time of the last decoded frame or sound
  bool inputEnded_ = false, inputFailed_ = false;  // guarded by lock_
  std::string inputError_;                         // guarded by lock_; why the input failed
  // Guarded by lock_: a frame (sound for an item without video) has been decoded since the start. An
  // input that ends before its first frame has nothing to play, whatever its index promised.
  bool yieldedFrame_ = false;
  bool endReported_ = false;  // guarded by lock_
  double failAt_ = 0;         // guarded by lock_; when an ended, failed input fails the item
  bool empty_ = false, full_ = false, keepUp_ = false;  // guarded by lock_; the buffer states
  uint64_t skipped_ = 0;                                // guarded by lock_
  bool filledOnce_ = false;                             // guarded by lock_
  std::unique_ptr<SeekRequest> pendingSeek_;            // guarded by lock_; not yet started
  std::unique_ptr<SeekRequest> activeSeek_;             // guarded by lock_; started, no frame yet
  std::vector<std::function<void(bool)>> superseded_;   // guarded by lock_; completions to call with false
  std::unique_ptr<AudioSink> sink_;                     // engine thread only
};

}  // namespace qv
