// The video stream asset: plays a URL (local file or network stream) with the player in qv/os/av and
// hands each new frame, as a BGRA pixel buffer, to its listener (the view) from a capture thread that
// polls the player's video output 90 times a second. Status codes go to the observer and playback times
// to the time monitor, always through the main queue. Made by QVObjectFactory::assetFromUrl and owned by
// the host (and the view showing it); it holds its listener, observer and monitor weakly, and dropping
// the last reference ends its capture thread. Control operations run on the main thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "qv/media/QVAsset.h"
#include "qv/os/av/MediaTime.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class Player;
class PlayerItem;
class PlayerItemVideoOutput;
class StreamAsset;

class QVVideoStreamAsset : public QVAsset, public std::enable_shared_from_this<QVVideoStreamAsset> {
 public:
  // The capture thread's name. The OS keeps its first 15 characters; currentThreadName() on the
  // thread gives the whole name.
  static constexpr const char* kCaptureThreadName = "com.quovio.decodingThread";
  static constexpr double kCapturePeriod = 1.0 / 90.0;  // seconds

  // An asset with nothing loaded (status 0); initWithUrl starts loading.
  static std::shared_ptr<QVVideoStreamAsset> alloc();
  ~QVVideoStreamAsset() override;
  QVVideoStreamAsset(const QVVideoStreamAsset&) = delete;
  QVVideoStreamAsset& operator=(const QVVideoStreamAsset&) = delete;

  bool initWithUrl(const std::string& url);

  // --- QVAsset
  void play() override;
  void playWithSeekTo(MediaTime time, bool onKeyFrame) override;
  void pause() override;
  void stop() override;
  MediaTimeRange getTimeRange() override;
  void setTimeRange(MediaTime start, MediaTime duration, bool onKeyFrame) override;
  MediaTime getPlaybackTime() override;
  MediaTime getDuration() override;
  std::string getUrl() override;
  void addObserver(std::weak_ptr<QVAssetObserver> observer) override;
  void removeObserver(const void* ignored) override;
  int32_t getStatus() override { return status.load(); }
  float getDownloadProgress() override { return 0.0f; }
  bool setTimeMonitor(std::weak_ptr<QVAssetTimeMonitor> monitor) override;
  void setVolume(float volume) override;
  bool setAssetListener(std::weak_ptr<QVAssetListener> listener) override;
  std::optional<PanoramaLayout> panoramaLayout() override;
  int32_t displayRotation() override;

  // Records `code` (1..10) and reports it to the observer; 11..13 are reported only.
  void onStatusMessage(int32_t code);
  void onUpdatePlayerTimeMonitor();
  // One capture step (new frame to the listener, time to the monitor), for hosts that drive capture.
  void update();
  void itemDidFinishPlaying();
  // Change handler for the item's "status" and buffer keys.
  void observeValueForKeyPath(std::string_view key);

  // The player parts; nullptr before the tracks are loaded.
  std::shared_ptr<Player> currentPlayer() const;
  std::shared_ptr<PlayerItemVideoOutput> videoOutput() const;
  // True once the tracks are loaded and one of them is a video track (a file of sound only has none).
  bool hasVideoTrack() const;
  // True from play() starting a capture thread until that thread ends.
  bool isCapturing() const;
  // True from setTimeRange until the last seek under way has completed and set the state it ends in.
  bool isSeeking() const;
  // Why the asset last reported 9 (failed), in one line; empty before any failure.
  std::string failureReason() const;

 private:
  QVVideoStreamAsset() = default;
  void loadTracks();
  void tracksLoaded();
  static void startCaptureFrames(std::weak_ptr<QVVideoStreamAsset> weak);
  void capture(bool* firstFrame);
  void endCapture(int32_t code);
  std::shared_ptr<QVAssetListener> listener() const;
  void dispatchStartSeek(MediaTime time, bool exact);
  void seekCompleted(bool finished);

  // Written once by initWithUrl, before any other thread exists.
  std::string url;

  std::atomic<int32_t> status{0};
  std::atomic<int32_t> assetStatus{0};
  std::atomic<bool> bCapture{true};
  // A play() that the item's next ready notification carries out; a stored status code replaces it.
  std::atomic<bool> playRequested_{false};

  // Guarded by guard_: the player parts, the pending start position, the capture thread and seeks.
  mutable std::mutex guard_;
  std::string failureReason_;  // guarded by guard_
  std::shared_ptr<StreamAsset> assetss;
  std::shared_ptr<PlayerItem> playerItem;
  std::shared_ptr<Player> player;
  std::shared_ptr<PlayerItemVideoOutput> output;
  int itemObservation_ = 0, endObservation_ = 0;
  MediaTime startSeekTo = MediaTime::make(0, 0);
  bool startSeekToExact = true;
  std::thread capturethread;     // the last capture thread started (joined by the next start or teardown)
  bool captureRunning_ = false;  // set by play before the thread starts, cleared by the ending thread
  // From stop() until the next play(): completions and notifications that come late start nothing.
  bool stopped_ = false;
  int seeksInFlight_ = 0;
  int32_t preSeekStatus_ = 0;  // the status before the first seek of an overlapping series
  float preSeekRate_ = 0;      // the player's rate then

  // Guarded by refsLock_: the host's objects, held weakly.
  mutable std::mutex refsLock_;
  std::weak_ptr<QVAssetListener> assetListener;
  std::weak_ptr<QVAssetObserver> assetObserver;
  std::weak_ptr<QVAssetTimeMonitor> _monitor;
};

}  // namespace qv
QV_EXPORT_END
