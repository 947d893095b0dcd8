#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "qv/os/IIOLocationSource.h"
#include "qv/os/IIOMotionSource.h"
#include "qv/os/MotionSources.h"
#include "qv/os/RunLoop.h"
#include "qv/os/ScriptedMotionSource.h"
#include "tests/support/LogCapture.h"

using namespace qv;

namespace fs = std::filesystem;

namespace {

// A fake /sys/bus/iio/devices written into a fresh temporary directory, with the kernel's attribute names.
class IIOMotionSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "qv-iio-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root = pattern;
    RunLoop::main().useManualClock(50.0);
  }
  void TearDown() override {
    RunLoop::main().useRealClock();
    uninstallMotionSources();
    fs::remove_all(root);
  }

  void write(const std::string& device, const std::string& file, const std::string& text) {
    fs::create_directories(root / device);
    std::ofstream(root / device / file) << text << "\n";
  }
  // A sensor hub's fused rotation sensor; components x y z w in units of 1e-4.
  void rotationSensor(const std::string& device, double x, double y, double z, double w) {
    write(device, "name", "dev_rotation");
    setQuaternion(device, x, y, z, w);
    write(device, "in_rot_quaternion_scale", "0.0001");
  }
  void setQuaternion(const std::string& device, double x, double y, double z, double w) {
    auto raw = [](double v) { return std::to_string(std::lround(v * 10000)); };
    write(device, "in_rot_quaternion_raw", raw(x) + " " + raw(y) + " " + raw(z) + " " + raw(w));
  }
  // Raw counts of 1/1000 m/s^2, as the sensor measures (the reaction to gravity: face up reads +z).
  void accelerometer(const std::string& device, double x, double y, double z) {
    write(device, "name", "accel_3d");
    write(device, "in_accel_scale", "0.001");
    write(device, "in_accel_x_raw", std::to_string(std::lround(x * 1000)));
    write(device, "in_accel_y_raw", std::to_string(std::lround(y * 1000)));
    write(device, "in_accel_z_raw", std::to_string(std::lround(z * 1000)));
  }
  void magnetometer(const std::string& device, double x, double y, double z) {
    write(device, "name", "magn_3d");
    write(device, "in_magn_scale", "0.000000001");
    write(device, "in_magn_x_raw", std::to_string(std::lround(x * 1e9)));
    write(device, "in_magn_y_raw", std::to_string(std::lround(y * 1e9)));
    write(device, "in_magn_z_raw", std::to_string(std::lround(z * 1e9)));
  }
  void nextFrame() { RunLoop::main().runFor(1.0 / 60); }

  fs::path root;
  LogCapture log;
};

// Headings near north may come out just below 360.
double degreesApart(double a, double b) {
  return std::fabs(std::remainder(a - b, 360.0));
}

AttitudeQuaternion aboutAxis(double x, double y, double z, double degrees) {
  return AttitudeQuaternion::fromAxisAngle(x, y, z, degrees * M_PI / 180);
}

TEST_F(IIOMotionSourceTest, RotationSensorGivesAttitudeWithYawFromTheStartOfUpdates) {
  write("iio:device0", "name", "als");  // an unrelated sensor first
  write("iio:device0", "in_illuminance_raw", "120");
  AttitudeQuaternion start =
      aboutAxis(0, 0, 1, 30) * aboutAxis(1, 0, 0, 60);  // top raised, facing 30 degrees
  rotationSensor("iio:device1", start.x, start.y, start.z, start.w);

  auto sensors = IIOSensorTree::open(root.string());
  ASSERT_NE(sensors, nullptr);
  EXPECT_EQ(sensors->description(), "rotation iio:device1 (dev_rotation)");
  IIOMotionSource motion(sensors);
  ASSERT_TRUE(motion.isDeviceMotionAvailable());
  EXPECT_FALSE(motion.deviceMotion());
  motion.startDeviceMotionUpdates();
  auto m = motion.deviceMotion();
  ASSERT_TRUE(m);
  EXPECT_NEAR(m->attitude.pitch, M_PI / 3, 1e-3);
  EXPECT_NEAR(m->attitude.yaw, 0, 1e-3);
  EXPECT_DOUBLE_EQ(m->timestamp, 50.0);

  // Turned left by 90 degrees and rolled 20 degrees: yaw is measured from where updates started.
  AttitudeQuaternion turned = aboutAxis(0, 0, 1, 120) * aboutAxis(1, 0, 0, 40) * aboutAxis(0, 1, 0, 20);
  setQuaternion("iio:device1", turned.x, turned.y, turned.z, turned.w);
  nextFrame();
  m = motion.deviceMotion();
  ASSERT_TRUE(m);
  EXPECT_NEAR(m->attitude.yaw, M_PI / 2, 1e-3);
  EXPECT_NEAR(m->attitude.pitch, 40 * M_PI / 180, 1e-3);
  EXPECT_NEAR(m->attitude.roll, 20 * M_PI / 180, 1e-3);

  motion.stopDeviceMotionUpdates();
  motion.startDeviceMotionUpdates();  // a reset re-zeroes the yaw on the current heading
  EXPECT_NEAR(motion.deviceMotion()->attitude.yaw, 0, 1e-3);
  EXPECT_TRUE(log.lines.empty());
}

TEST_F(IIOMotionSourceTest, AccelerometerReadsInGAndTheMagnetometerGivesATiltCompensatedHeading) {
  accelerometer("iio:device0", 0, 0, 9.80665);        // face up
  write("iio:device0", "in_accel_x_offset", "-500");  // (raw + offset) * scale
  write("iio:device0", "in_accel_x_raw", "500");
  magnetometer("iio:device1", 0, 20e-6, -40e-6);  // top edge to the north; the field dips down
  auto sensors = IIOSensorTree::open(root.string());
  ASSERT_NE(sensors, nullptr);
  EXPECT_EQ(sensors->description(),
            "accelerometer iio:device0 (accel_3d), magnetometer iio:device1 (magn_3d)");
  IIOMotionSource motion(sensors);
  IIOLocationSource compass(sensors);
  EXPECT_FALSE(motion.isDeviceMotionAvailable());
  ASSERT_TRUE(compass.isHeadingAvailable());
  motion.startAccelerometerUpdates();
  compass.startUpdatingHeading();

  auto a = motion.accelerometerData();
  ASSERT_TRUE(a);
  EXPECT_NEAR(a->x, 0, 1e-9);
  EXPECT_NEAR(a->y, 0, 1e-9);
  EXPECT_NEAR(a->z, -1.0, 1e-4);  // the motion service reports gravity itself
  EXPECT_NEAR(*compass.magneticHeading(), 0, 1e-6);

  // Top edge to the east: north lies along the device's -x.
  magnetometer("iio:device1", -20e-6, 0, -40e-6);
  nextFrame();
  EXPECT_NEAR(*compass.magneticHeading(), 90, 1e-6);

  // Facing north again but rolled 30 degrees about the device's y axis: the dip of the field must not leak
  // into the heading.
  double s = std::sin(M_PI / 6), c = std::cos(M_PI / 6);
  accelerometer("iio:device0", -s * 9.80665, 0, c * 9.80665);
  write("iio:device0", "in_accel_x_raw",
        std::to_string(std::lround(-s * 9806.65) + 500));  // the offset stays
  magnetometer("iio:device1", s * 40e-6, 20e-6, -c * 40e-6);
  EXPECT_NEAR(motion.accelerometerData()->z, -1.0, 1e-4);  // sensors are read at most once a frame
  EXPECT_NEAR(*compass.magneticHeading(), 90, 1e-6);
  nextFrame();
  EXPECT_NEAR(motion.accelerometerData()->z, -c, 1e-4);
  EXPECT_LT(degreesApart(*compass.magneticHeading(), 0), 0.01);
  EXPECT_TRUE(log.lines.empty());
}

TEST_F(IIOMotionSourceTest, TreesWithoutAUsableSensorAreRefusedWithOneLineEach) {
  EXPECT_EQ(IIOSensorTree::open((root / "missing").string()), nullptr);
  EXPECT_EQ(IIOSensorTree::open(root.string()), nullptr);  // empty
  EXPECT_TRUE(log.lines.empty());

  accelerometer("iio:device0", 0, 0, 9.8);
  fs::remove(root / "iio:device0" / "in_accel_scale");  // units unknown
  accelerometer("iio:device1", 0, 0, 9.8);
  write("iio:device1", "in_accel_y_raw", "12abc");
  write("iio:device2", "in_accel_x_raw", "1");  // missing y and z: not an accelerometer at all
  EXPECT_EQ(IIOSensorTree::open(root.string()), nullptr);
  std::string device = root.string();
  EXPECT_EQ(log.lines, (std::vector<std::string>{
                           "IIO iio:device0 (accel_3d): " + device +
                               "/iio:device0/in_accel_scale is missing; sensor not used",
                           "IIO iio:device1 (accel_3d): " + device +
                               "/iio:device1/in_accel_y_raw: \"12abc\" is not a number; sensor not used",
                       }));

  log.lines.clear();
  EXPECT_EQ(installMotionSources(std::nullopt, root.string()), MotionSourceKind::None);
  EXPECT_FALSE(MotionManager::create()->isDeviceMotionAvailable());
  EXPECT_FALSE(LocationManager::create()->isHeadingAvailable());
  ASSERT_EQ(log.lines.size(), 3u);  // the two devices again, then the choice
  EXPECT_EQ(log.lines.back(), "motion: no motion sensors under " + device + "; device motion is off");
}

TEST_F(IIOMotionSourceTest, ADeviceThatBreaksOrDisappearsGivesNoSamplesAndLogsOnce) {
  rotationSensor("iio:device0", 0, 0, 0, 1);
  accelerometer("iio:device1", 0, 0, 9.80665);
  auto sensors = IIOSensorTree::open(root.string());
  ASSERT_NE(sensors, nullptr);
  IIOMotionSource motion(sensors);
  motion.startDeviceMotionUpdates();
  motion.startAccelerometerUpdates();
  ASSERT_TRUE(motion.deviceMotion());

  write("iio:device0", "in_rot_quaternion_raw", "0 0 0 0");  // not a rotation
  nextFrame();
  EXPECT_FALSE(motion.deviceMotion());
  write("iio:device0", "in_rot_quaternion_raw", "1 2 3");  // one component short
  fs::remove_all(root / "iio:device1");                    // unplugged
  for (int frame = 0; frame < 10; ++frame) {
    nextFrame();
    EXPECT_FALSE(motion.deviceMotion());
    EXPECT_FALSE(motion.accelerometerData());
  }
  std::string device = root.string();
  EXPECT_EQ(
      log.lines,
      (std::vector<std::string>{
          "IIO iio:device0 (dev_rotation): " + device +
              "/iio:device0/in_rot_quaternion_raw: \"1 2 3\" is not a list of numbers; no samples until "
              "it reads again",
          "IIO iio:device1 (accel_3d): " + device +
              "/iio:device1/in_accel_x_raw: No such file or directory; no samples until it reads again",
      }));

  log.lines.clear();
  accelerometer("iio:device1", 0, 0, 9.80665);  // plugged back in
  nextFrame();
  ASSERT_TRUE(motion.accelerometerData());
  EXPECT_NEAR(motion.accelerometerData()->z, -1.0, 1e-4);
  EXPECT_EQ(log.lines, std::vector<std::string>{"IIO iio:device1 (accel_3d): reading again"});
}

TEST_F(IIOMotionSourceTest, InstallPrefersATraceThenIIOSensors) {
  rotationSensor("iio:device3", 0, 0, 0, 1);
  EXPECT_EQ(installMotionSources(std::nullopt, root.string()), MotionSourceKind::IIO);
  auto motion = MotionManager::create();
  EXPECT_NE(dynamic_cast<IIOMotionSource*>(motion.get()), nullptr);
  EXPECT_TRUE(motion->isDeviceMotionAvailable());
  EXPECT_EQ(log.lines.back(), "motion: IIO sensors: rotation iio:device3 (dev_rotation)");

  std::string trace = std::string(QV_TEST_DATA_DIR) + "/motion/turn-pitch-90.csv";
  EXPECT_EQ(installMotionSources(trace, root.string()), MotionSourceKind::Scripted);
  EXPECT_NE(dynamic_cast<ScriptedMotionSource*>(MotionManager::create().get()), nullptr);
  EXPECT_EQ(log.lines.back(), "motion: replaying " + trace + " (2 samples)");

  // A broken trace stops the program's choice and installs nothing.
  write("bad", "trace.csv", "time,yaw\n");
  EXPECT_EQ(installMotionSources((root / "bad" / "trace.csv").string(), root.string()), std::nullopt);
  EXPECT_NE(dynamic_cast<ScriptedMotionSource*>(MotionManager::create().get()), nullptr);
}

}  // namespace
