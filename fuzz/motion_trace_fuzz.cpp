// libFuzzer target for the motion-trace CSV parser. A trace it accepts must keep its promises: samples
// present, times never decreasing, every value finite, and sampling between and beyond the rows defined.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "qv/os/MotionTrace.h"
#include "qv/os/QVLog.h"

using namespace qv;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  QVLogSetSink([](std::string_view) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto trace = MotionTrace::parse(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.csv");
  if (!trace) return 0;
  const auto& samples = trace->samples();
  if (samples.empty()) std::abort();
  for (size_t i = 0; i < samples.size(); ++i) {
    if (!std::isfinite(samples[i].time) || (i > 0 && samples[i].time < samples[i - 1].time)) std::abort();
  }
  const double first = samples.front().time, last = samples.back().time;
  for (double t : {first, (first + last) / 2, last, last + 1}) {
    auto s = trace->sampleAt(t);
    if (!s || !std::isfinite(s->pitch) || !std::isfinite(s->yaw) || !std::isfinite(s->heading)) std::abort();
  }
  if (first > -1e300 && trace->sampleAt(first - 1)) std::abort();
  return 0;
}
