// The system version is the graphics platform's generation, not the kernel's release: a view on any
// kernel draws with the current renderers (hotspots, video, blind spot) unless the host says otherwise.
#include <gtest/gtest.h>
#include <sys/utsname.h>

#include "qv/hotspots/QVHotspot.h"
#include "qv/os/Environment.h"
#include "qv/os/RunLoop.h"
#include "tests/hotspots/HotspotTestSupport.h"
#include "tests/support/ViewTestSupport.h"

using namespace qv;

namespace {

class SystemVersionGLTest : public ::testing::Test {
 protected:
  void SetUp() override { RunLoop::main().useManualClock(5.0); }
  void TearDown() override {
    Environment::current().reset();
    RunLoop::main().useRealClock();
  }
  // The centre of a view with a green hotspot straight ahead, on the colour-coded panorama.
  static RGB centreWithHotspot() {
    auto view = makeLaidOutView(64, 64);
    view->setImage(ColourCodedPanorama::make());
    view->createHotspot(solid(32, 32, 0, 255, 0))->setCoordinates(0, -4.4f, 0);
    view->update();
    return framePixel(*view, 32, 32);
  }
};

}  // namespace

TEST_F(SystemVersionGLTest, TheKernelsReleaseNeverChoosesTheRenderer) {
  struct utsname name {};
  ASSERT_EQ(uname(&name), 0);
  EXPECT_NE(Environment::current().systemVersion(), name.release);
  EXPECT_EQ(Environment::current().systemVersion(), Environment::kGraphicsGeneration);
  EXPECT_EQ(centreWithHotspot(), (RGB{0, 255, 0}));
  // A host that says it runs an old platform gets the legacy layout, which draws no hotspots.
  Environment::current().setSystemVersion("4.3");
  EXPECT_NE(centreWithHotspot(), (RGB{0, 255, 0}));
}
