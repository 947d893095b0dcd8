#include "qv/os/MotionTrace.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "qv/os/AttitudeQuaternion.h"
#include "qv/os/QVLog.h"
#include "qv/os/RegularFile.h"
#include "qv/os/RunLoop.h"

namespace qv {

namespace {

using SampleField = double MotionTraceSample::*;

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::vector<std::string_view> splitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  while (true) {
    size_t comma = line.find(',', start);
    fields.push_back(trim(line.substr(start, comma == std::string_view::npos ? line.npos : comma - start)));
    if (comma == std::string_view::npos) return fields;
    start = comma + 1;
  }
}

// The whole field must be a finite number.
std::optional<double> parseNumber(std::string_view field) {
  if (field.empty()) return std::nullopt;
  std::string text(field);
  char* end = nullptr;
  errno = 0;
  double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || errno == ERANGE || !std::isfinite(value)) return std::nullopt;
  return value;
}

// Where each named column writes into a sample.
SampleField columnField(std::string_view name) {
  static const std::pair<std::string_view, SampleField> columns[] = {
      {"time", &MotionTraceSample::time},      {"pitch", &MotionTraceSample::pitch},
      {"yaw", &MotionTraceSample::yaw},        {"roll", &MotionTraceSample::roll},
      {"ax", &MotionTraceSample::ax},          {"ay", &MotionTraceSample::ay},
      {"az", &MotionTraceSample::az},          {"uax", &MotionTraceSample::uax},
      {"uay", &MotionTraceSample::uay},        {"uaz", &MotionTraceSample::uaz},
      {"heading", &MotionTraceSample::heading}};
  for (const auto& [columnName, field] : columns) {
    if (columnName == name) return field;
  }
  return nullptr;
}

double lerp(double a, double b, double f) {
  return a + (b - a) * f;
}

}  // namespace

std::shared_ptr<MotionTrace> MotionTrace::load(const std::string& path) {
  std::string reason;
  auto bytes = RegularFile::readAll(path, kMaxFileBytes, &reason);
  if (!bytes) {
    QVLog("motion trace %s: %s", path.c_str(), reason.c_str());
    return nullptr;
  }
  return parse(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), path);
}

std::shared_ptr<MotionTrace> MotionTrace::parse(std::string_view text, const std::string& name) {
  std::shared_ptr<MotionTrace> trace(new MotionTrace());
  std::vector<SampleField> fields;  // one per column, from the header
  size_t lineNumber = 0;
  auto fail = [&](const std::string& what) {
    QVLog("motion trace %s:%zu: %s", name.c_str(), lineNumber, what.c_str());
    return nullptr;
  };

  while (!text.empty()) {
    size_t newline = text.find('\n');
    std::string_view line = trim(text.substr(0, newline));
    text.remove_prefix(newline == text.npos ? text.size() : newline + 1);
    ++lineNumber;
    if (line.empty() || line.front() == '#') continue;
    std::vector<std::string_view> cells = splitFields(line);

    if (fields.empty()) {
      for (std::string_view cell : cells) {
        SampleField field = columnField(cell);
        if (!field) return fail("unknown column \"" + std::string(cell) + "\"");
        if (std::find(fields.begin(), fields.end(), field) != fields.end()) {
          return fail("column \"" + std::string(cell) + "\" appears twice");
        }
        fields.push_back(field);
      }
      if (fields.front() != &MotionTraceSample::time) return fail("the first column must be \"time\"");
      auto has = [&](SampleField f) { return std::find(fields.begin(), fields.end(), f) != fields.end(); };
      auto group = [&](std::initializer_list<SampleField> members, const char* names, bool* present) {
        size_t count = 0;
        for (auto member : members) count += has(member) ? 1 : 0;
        *present = count == members.size();
        return count == 0 || *present ? std::string() : std::string("needs all of the columns ") + names;
      };
      bool hasUser = false;
      for (std::string problem :
           {group({&MotionTraceSample::pitch, &MotionTraceSample::yaw, &MotionTraceSample::roll},
                  "pitch,yaw,roll", &trace->hasAttitude_),
            group({&MotionTraceSample::ax, &MotionTraceSample::ay, &MotionTraceSample::az}, "ax,ay,az",
                  &trace->hasAcceleration_),
            group({&MotionTraceSample::uax, &MotionTraceSample::uay, &MotionTraceSample::uaz}, "uax,uay,uaz",
                  &hasUser)}) {
        if (!problem.empty()) return fail(problem);
      }
      trace->hasHeading_ = has(&MotionTraceSample::heading);
      if (hasUser && !trace->hasAttitude_) return fail("user acceleration needs the attitude columns");
      if (!trace->hasAttitude_ && !trace->hasAcceleration_ && !trace->hasHeading_) {
        return fail("no attitude, acceleration or heading columns");
      }
      continue;
    }

    if (cells.size() != fields.size()) {
      return fail("expected " + std::to_string(fields.size()) + " fields, found " +
                  std::to_string(cells.size()));
    }
    MotionTraceSample sample;
    for (size_t i = 0; i < cells.size(); ++i) {
      std::optional<double> value = parseNumber(cells[i]);
      if (!value) return fail("\"" + std::string(cells[i]) + "\" is not a finite number");
      sample.*fields[i] = *value;
    }
    if (!trace->samples_.empty() && sample.time < trace->samples_.back().time) {
      return fail("time goes backwards");
    }
    trace->samples_.push_back(sample);
  }
  if (fields.empty()) return fail("no header row");
  if (trace->samples_.empty()) return fail("no samples after the header");
  return trace;
}

std::optional<MotionTraceSample> MotionTrace::sampleAt(double t) const {
  auto after = std::upper_bound(samples_.begin(), samples_.end(), t,
                                [](double time, const MotionTraceSample& s) { return time < s.time; });
  if (after == samples_.begin()) return std::nullopt;
  const MotionTraceSample& a = *(after - 1);
  if (after == samples_.end()) {
    MotionTraceSample held = a;
    held.time = t;
    return held;
  }
  const MotionTraceSample& b = *after;  // b.time > a.time, so the division is safe
  double f = (t - a.time) / (b.time - a.time);
  auto angle = [f](double from, double to, double turn) {
    return from + std::remainder(to - from, turn) * f;  // the shorter way round
  };
  MotionTraceSample s;
  s.time = t;
  s.pitch = angle(a.pitch, b.pitch, 2 * M_PI);
  s.yaw = angle(a.yaw, b.yaw, 2 * M_PI);
  s.roll = angle(a.roll, b.roll, 2 * M_PI);
  s.ax = lerp(a.ax, b.ax, f);
  s.ay = lerp(a.ay, b.ay, f);
  s.az = lerp(a.az, b.az, f);
  s.uax = lerp(a.uax, b.uax, f);
  s.uay = lerp(a.uay, b.uay, f);
  s.uaz = lerp(a.uaz, b.uaz, f);
  s.heading = angle(a.heading, b.heading, 360.0);
  return s;
}

void MotionTrace::beginReplay() {
  double now = RunLoop::main().now();
  std::lock_guard<std::mutex> guard(lock_);
  if (!replayStart_) replayStart_ = now;
}

std::optional<double> MotionTrace::replayTime() const {
  double now = RunLoop::main().now();
  std::lock_guard<std::mutex> guard(lock_);
  if (!replayStart_) return std::nullopt;
  return now - *replayStart_;
}

}  // namespace qv
