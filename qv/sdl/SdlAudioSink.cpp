#include "qv/sdl/SdlAudioSink.h"

#include <cstdio>

namespace qv {

void SdlAudioSink::install() {
  AudioSink::setFactory(&SdlAudioSink::open);
}

std::unique_ptr<AudioSink> SdlAudioSink::open(int sampleRate, int channels, Pull pull) {
  if (!(SDL_WasInit(SDL_INIT_AUDIO) & SDL_INIT_AUDIO) && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    std::fprintf(stderr, "qvkit: no audio (%s); playing silently\n", SDL_GetError());
    return nullptr;
  }
  std::unique_ptr<SdlAudioSink> sink(new SdlAudioSink(std::move(pull)));
  sink->channels_ = channels;
  SDL_AudioSpec wanted{};
  wanted.freq = sampleRate;
  wanted.format = AUDIO_F32SYS;
  wanted.channels = Uint8(channels);
  wanted.samples = 1024;
  wanted.callback = &SdlAudioSink::callback;
  wanted.userdata = sink.get();
  // No changes allowed: SDL converts to whatever the device wants, so the callback always sees our format.
  sink->device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
  if (sink->device_ == 0) {
    std::fprintf(stderr, "qvkit: no audio device (%s); playing silently\n", SDL_GetError());
    return nullptr;
  }
  SDL_PauseAudioDevice(sink->device_, 0);
  return sink;
}

SdlAudioSink::~SdlAudioSink() {
  // Closing waits for a running callback, so the pull function is never called after this.
  if (device_ != 0) SDL_CloseAudioDevice(device_);
}

void SdlAudioSink::callback(void* self, Uint8* stream, int length) {
  auto* sink = static_cast<SdlAudioSink*>(self);
  int frames = length / int(sizeof(float)) / sink->channels_;
  sink->pull_(reinterpret_cast<float*>(stream), frames);
}

}  // namespace qv
