#include "qv/os/av/InputOpener.h"

#include "qv/os/av/FFmpegSupport.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

namespace qv {

namespace {

int interruptRequested(void* flag) {
  return static_cast<const std::atomic<bool>*>(flag)->load() ? 1 : 0;
}

}  // namespace

int openInput(const std::string& name, AVFormatContext** format, const std::atomic<bool>* interrupt) {
  routeFFmpegLog();
  AVFormatContext* context = avformat_alloc_context();
  if (!context) return AVERROR(ENOMEM);
  if (interrupt) {
    context->interrupt_callback.callback = interruptRequested;
    context->interrupt_callback.opaque = const_cast<std::atomic<bool>*>(interrupt);
  }
  AVDictionary* options = nullptr;
  // A stalled network read fails after 5 s rather than blocking the player for ever.
  av_dict_set(&options, "rw_timeout", "5000000", 0);
  // An HTTP stream that drops before its end is asked again from where it broke (after 0, 1 and 3 s);
  // only when it does not come back does the read fail. Other protocols ignore these options.
  av_dict_set(&options, "reconnect", "1", 0);
  av_dict_set(&options, "reconnect_delay_max", "4", 0);
  int result = avformat_open_input(&context, name.c_str(), nullptr, &options);
  av_dict_free(&options);
  if (result < 0) return result;  // avformat_open_input frees the context on failure
  result = avformat_find_stream_info(context, nullptr);
  if (result < 0) {
    avformat_close_input(&context);
    return result;
  }
  *format = context;
  return 0;
}

}  // namespace qv
