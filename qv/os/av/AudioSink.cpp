#include "qv/os/av/AudioSink.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "qv/os/ThreadName.h"

namespace qv {

namespace {

std::mutex factoryLock;
AudioSink::Factory sinkFactory;  // guarded by factoryLock

// Pulls every 10 ms as many frames as real time has advanced and drops them.
class SilentAudioSink : public AudioSink {
 public:
  SilentAudioSink(int sampleRate, int channels, Pull pull)
      : sampleRate_(sampleRate), channels_(channels), pull_(std::move(pull)) {
    thread_ = std::thread([this] { run(); });
  }
  ~SilentAudioSink() override {
    {
      std::lock_guard<std::mutex> guard(lock_);
      stopping_ = true;
    }
    wakeup_.notify_all();
    thread_.join();
  }

 private:
  void run() {
    setCurrentThreadName("qv.silentAudio");
    using Clock = std::chrono::steady_clock;
    auto start = Clock::now();
    int64_t pulled = 0;
    std::vector<float> samples;
    std::unique_lock<std::mutex> lock(lock_);
    while (!wakeup_.wait_for(lock, std::chrono::milliseconds(10), [this] { return stopping_; })) {
      double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
      int64_t due = int64_t(elapsed * sampleRate_) - pulled;
      if (due <= 0) continue;
      samples.resize(size_t(due) * size_t(channels_));
      lock.unlock();
      pull_(samples.data(), int(due));
      lock.lock();
      pulled += due;
    }
  }

  const int sampleRate_, channels_;
  const Pull pull_;
  std::mutex lock_;
  std::condition_variable wakeup_;
  bool stopping_ = false;  // guarded by lock_
  std::thread thread_;
};

}  // namespace

std::unique_ptr<AudioSink> AudioSink::create(int sampleRate, int channels, Pull pull) {
  Factory factory;
  {
    std::lock_guard<std::mutex> guard(factoryLock);
    factory = sinkFactory;
  }
  if (factory) {
    if (auto sink = factory(sampleRate, channels, pull)) return sink;
  }
  return createSilent(sampleRate, channels, std::move(pull));
}

void AudioSink::setFactory(Factory factory) {
  std::lock_guard<std::mutex> guard(factoryLock);
  sinkFactory = std::move(factory);
}

std::unique_ptr<AudioSink> AudioSink::createSilent(int sampleRate, int channels, Pull pull) {
  return std::make_unique<SilentAudioSink>(sampleRate, channels, std::move(pull));
}

}  // namespace qv
