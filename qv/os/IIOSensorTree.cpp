#include "qv/os/IIOSensorTree.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "qv/os/QVLog.h"
#include "qv/os/RunLoop.h"

namespace qv {

namespace {

constexpr double kStandardGravity = 9.80665;  // m/s^2 per g
constexpr double kMinPollInterval = 0.004;    // seconds; shorter than a frame at 240 Hz

// One attribute file, read without waiting: sysfs attributes are small and complete in one read.
std::optional<std::string> readAttribute(const std::string& path, std::string* error) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *error = path + ": " + std::strerror(errno);
    return std::nullopt;
  }
  char buffer[256];
  ssize_t n;
  do {
    n = ::read(fd, buffer, sizeof buffer - 1);
  } while (n < 0 && errno == EINTR);
  int readErrno = errno;
  ::close(fd);
  if (n < 0) {
    *error = path + ": " + std::strerror(readErrno);
    return std::nullopt;
  }
  return std::string(buffer, size_t(n));
}

// Exactly `count` whitespace-separated finite numbers.
std::optional<std::vector<double>> parseNumbers(const std::string& text, size_t count) {
  std::vector<double> values;
  const char* p = text.c_str();
  while (true) {
    while (*p == ' ' || *p == '\t' || *p == '\n') ++p;
    if (*p == '\0') break;
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(p, &end);
    if (end == p || errno == ERANGE || !std::isfinite(v)) return std::nullopt;
    if (*end != '\0' && *end != ' ' && *end != '\t' && *end != '\n') return std::nullopt;
    values.push_back(v);
    p = end;
  }
  if (values.size() != count) return std::nullopt;
  return values;
}

std::optional<std::vector<double>> readNumbers(const std::string& path, size_t count, std::string* error) {
  std::optional<std::string> text = readAttribute(path, error);
  if (!text) return std::nullopt;
  std::optional<std::vector<double>> values = parseNumbers(*text, count);
  if (!values) {
    std::string shown = text->substr(0, text->find('\n'));
    *error =
        path + ": \"" + shown.substr(0, 40) + "\" is not " + (count == 1 ? "a number" : "a list of numbers");
  }
  return values;
}

bool fileExists(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

// A per-channel attribute ("in_accel_x_scale") or the one shared by its type ("in_accel_scale").
// nullopt with *error set when present but unreadable; `fallback` when absent.
std::optional<double> channelAttribute(const std::filesystem::path& dir, const std::string& type,
                                       const std::string& axis, const std::string& attribute,
                                       std::optional<double> fallback, std::string* error) {
  std::vector<std::string> names;
  if (!axis.empty()) names.push_back(type + "_" + axis + "_" + attribute);
  names.push_back(type + "_" + attribute);
  for (const std::string& name : names) {
    if (!fileExists(dir / name)) continue;
    std::optional<std::vector<double>> v = readNumbers(dir / name, 1, error);
    if (!v) return std::nullopt;
    return v->front();
  }
  if (!fallback) *error = (dir / (type + "_" + attribute)).string() + " is missing";
  return fallback;
}

double wrapDegrees(double degrees) {
  double d = std::fmod(degrees, 360.0);
  if (d < 0) d += 360.0;
  return d >= 360.0 ? 0.0 : d;
}

}  // namespace

std::shared_ptr<IIOSensorTree> IIOSensorTree::open(const std::string& root) {
  namespace fs = std::filesystem;
  std::vector<std::pair<long, fs::path>> devices;
  std::error_code ec;
  for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (!name.starts_with("iio:device")) continue;
    char* tail = nullptr;
    long number = std::strtol(name.c_str() + 10, &tail, 10);
    if (tail == name.c_str() + 10 || *tail != '\0') continue;
    devices.emplace_back(number, it->path());
  }
  std::sort(devices.begin(), devices.end());

  std::shared_ptr<IIOSensorTree> tree(new IIOSensorTree());
  for (const auto& [number, dir] : devices) {
    std::string label = dir.filename().string();
    std::string error;
    if (std::optional<std::string> name = readAttribute(dir / "name", &error)) {
      label += " (" + name->substr(0, name->find('\n')) + ")";
    }

    // Builds a sensor from a channel type and its axes; logs and gives nullopt when it does not read.
    auto sensor = [&](const std::string& type, std::vector<std::string> axes, bool needsScale,
                      size_t valuesPerChannel) -> std::optional<Sensor> {
      Sensor s;
      s.device = label;
      for (const std::string& axis : axes) {
        if (!fileExists(dir / (axis.empty() ? type + "_raw" : type + "_" + axis + "_raw"))) {
          return std::nullopt;  // not this kind of sensor
        }
      }
      for (const std::string& axis : axes) {
        Channel c;
        c.raw = (dir / (axis.empty() ? type + "_raw" : type + "_" + axis + "_raw")).string();
        std::optional<double> scale = channelAttribute(
            dir, type, axis, "scale", needsScale ? std::nullopt : std::optional(1.0), &error);
        std::optional<double> offset = channelAttribute(dir, type, axis, "offset", 0.0, &error);
        if (!scale || !offset) {
          QVLog("IIO %s: %s; sensor not used", label.c_str(), error.c_str());
          return std::nullopt;
        }
        c.scale = *scale;
        c.offset = *offset;
        s.channels.push_back(c);
      }
      std::string probeError;
      for (const Channel& c : s.channels) {
        if (!readNumbers(c.raw, valuesPerChannel, &probeError)) {
          QVLog("IIO %s: %s; sensor not used", label.c_str(), probeError.c_str());
          return std::nullopt;
        }
      }
      return s;
    };

    // The quaternion is normalised on reading, so its scale does not matter.
    if (!tree->rotation_) tree->rotation_ = sensor("in_rot_quaternion", {""}, false, 4);
    if (!tree->accel_) tree->accel_ = sensor("in_accel", {"x", "y", "z"}, true, 1);
    if (!tree->magn_) tree->magn_ = sensor("in_magn", {"x", "y", "z"}, false, 1);
    if (!tree->north_) tree->north_ = sensor("in_rot_from_north_magnetic_tilt_comp", {""}, false, 1);
  }
  if (!tree->rotation_ && !tree->accel_ && !tree->hasCompass()) return nullptr;
  return tree;
}

std::string IIOSensorTree::description() const {
  std::string text;
  auto add = [&](const char* role, const std::optional<Sensor>& s) {
    if (!s) return;
    if (!text.empty()) text += ", ";
    text += std::string(role) + " " + s->device;
  };
  add("rotation", rotation_);
  add("accelerometer", accel_);
  add("heading", north_);
  add("magnetometer", magn_);
  return text;
}

std::optional<std::vector<double>> IIOSensorTree::read(const Sensor& sensor, size_t valuesPerChannel) const {
  double now = RunLoop::main().now();
  std::lock_guard<std::mutex> guard(lock_);
  // Within one frame (or a burst of calls) the last reading stands; the frame loop polls once per tick.
  if (sensor.readTime >= 0 && now >= sensor.readTime && now - sensor.readTime < kMinPollInterval) {
    return sensor.values;
  }
  sensor.readTime = now;
  sensor.values.reset();
  std::vector<double> values;
  std::string error;
  for (const Channel& c : sensor.channels) {
    std::optional<std::vector<double>> raw = readNumbers(c.raw, valuesPerChannel, &error);
    if (!raw) {
      if (!sensor.failing)
        QVLog("IIO %s: %s; no samples until it reads again", sensor.device.c_str(), error.c_str());
      sensor.failing = true;
      return std::nullopt;
    }
    for (double r : *raw) values.push_back((r + c.offset) * c.scale);
  }
  if (sensor.failing) QVLog("IIO %s: reading again", sensor.device.c_str());
  sensor.failing = false;
  sensor.values = std::move(values);
  return sensor.values;
}

std::optional<AttitudeQuaternion> IIOSensorTree::rotation() const {
  if (!rotation_) return std::nullopt;
  std::optional<std::vector<double>> v = read(*rotation_, 4);
  if (!v) return std::nullopt;
  // The attribute lists the components as x y z w.
  AttitudeQuaternion q{(*v)[3], (*v)[0], (*v)[1], (*v)[2]};
  if (!(q.norm() > 0)) return std::nullopt;
  return q.normalized();
}

std::optional<std::array<double, 3>> IIOSensorTree::acceleration() const {
  if (!accel_) return std::nullopt;
  std::optional<std::vector<double>> v = read(*accel_, 1);
  if (!v) return std::nullopt;
  // IIO reports the reaction to gravity (face up reads +9.8 on z); the motion service reports gravity.
  return std::array<double, 3>{-(*v)[0] / kStandardGravity, -(*v)[1] / kStandardGravity,
                               -(*v)[2] / kStandardGravity};
}

std::optional<double> IIOSensorTree::heading() const {
  if (north_) {
    // Radians from magnetic north after scaling, already compensated for tilt by the sensor hub.
    std::optional<std::vector<double>> v = read(*north_, 1);
    if (!v) return std::nullopt;
    return wrapDegrees((*v)[0] * 180.0 / M_PI);
  }
  if (!magn_) return std::nullopt;
  std::optional<std::vector<double>> m = read(*magn_, 1);
  if (!m) return std::nullopt;
  // "Up" in device coordinates from the accelerometer; a device without one is taken to lie flat.
  std::array<double, 3> up{0, 0, 1};
  if (accel_) {
    std::optional<std::array<double, 3>> g = acceleration();
    if (!g) return std::nullopt;
    up = {-(*g)[0], -(*g)[1], -(*g)[2]};
  }
  const std::vector<double>& f = *m;
  // east = field x up, north = up x east; the heading is the angle of the device's y axis from north.
  double ex = f[1] * up[2] - f[2] * up[1], ey = f[2] * up[0] - f[0] * up[2], ez = f[0] * up[1] - f[1] * up[0];
  double ny = up[2] * ex - up[0] * ez;
  double upLength = std::sqrt(up[0] * up[0] + up[1] * up[1] + up[2] * up[2]);
  if (!(ex * ex + ey * ey + ez * ez > 0)) return std::nullopt;  // no field, or a field along gravity
  return wrapDegrees(std::atan2(ey * upLength, ny) * 180.0 / M_PI);
}

}  // namespace qv
