#include <gtest/gtest.h>

#include <cmath>

#include "qv/core/QVObjectFactory.h"
#include "qv/os/GLES.h"
#include "qv/os/Image.h"
#include "qv/os/LocationManager.h"
#include "qv/os/MotionManager.h"
#include "qv/os/OffscreenLayer.h"
#include "qv/os/RunLoop.h"
#include "qv/platform/QVContext.h"
#include "tests/support/LogCapture.h"

using namespace qv;

namespace {

class QVViewGLTest : public ::testing::Test {
 protected:
  void SetUp() override { RunLoop::main().useManualClock(10.0); }
  void TearDown() override {
    RunLoop::main().useRealClock();
    MotionManager::setFactory({});
    LocationManager::setFactory({});
  }
  std::shared_ptr<QVViewGL> makeView(double w = 64, double h = 32) {
    auto view = QVObjectFactory::viewWithFrame(QVRect{0, 0, w, h});
    view->layoutSubviews();
    return view;
  }
  OffscreenLayer& offscreen(QVViewGL& view) { return static_cast<OffscreenLayer&>(*view.layer()); }

  LogCapture log;
};

// A device that reports fused device motion and counts the update calls.
class CountingMotionManager : public NullMotionManager {
 public:
  explicit CountingMotionManager(bool deviceMotion) : deviceMotion_(deviceMotion) {}
  bool isDeviceMotionAvailable() const override { return deviceMotion_; }
  void startDeviceMotionUpdates() override { ++motionStarts; }
  void stopDeviceMotionUpdates() override { ++motionStops; }
  void startAccelerometerUpdates() override { ++accelStarts; }
  void stopAccelerometerUpdates() override { ++accelStops; }
  int motionStarts = 0, motionStops = 0, accelStarts = 0, accelStops = 0;

 private:
  bool deviceMotion_;
};

}  // namespace

TEST_F(QVViewGLTest, MotionSourceChosenAtConstructionAndStoppedAtTeardown) {
  std::shared_ptr<CountingMotionManager> fused, plain;
  MotionManager::setFactory([&] { return fused = std::make_shared<CountingMotionManager>(true); });
  {
    auto view = makeView();
    EXPECT_FALSE(view->motion().accelerometerMode());
    EXPECT_FALSE(view->motion().hasCompass());
    EXPECT_EQ(fused->motionStarts, 1);
  }
  EXPECT_EQ(fused->motionStops, 1);

  MotionManager::setFactory([&] { return plain = std::make_shared<CountingMotionManager>(false); });
  {
    auto view = makeView();
    EXPECT_TRUE(view->motion().accelerometerMode());
    EXPECT_TRUE(view->motion().hasCompass());
    EXPECT_EQ(plain->accelStarts, 1);
    EXPECT_EQ(plain->motionStarts, 0);
  }
  EXPECT_EQ(plain->accelStops, 1);
}

TEST_F(QVViewGLTest, FramebufferIsCompleteAtTheViewSizeAndRebuiltOnLayout) {
  auto view = makeView(64, 32);
  ASSERT_NE(view->drawable().framebuffer(), 0u);
  EXPECT_EQ(view->drawable().width(), 64);
  EXPECT_EQ(view->drawable().height(), 32);
  EXPECT_EQ(QVContext::getCurrentContext(), nullptr);  // never left current on the caller
  view->setFrame(QVRect{0, 0, 100, 50});
  EXPECT_EQ(view->drawable().width(), 100);
  EXPECT_EQ(view->drawable().height(), 50);
  view->update();
  int w = 0, h = 0;
  auto frame = offscreen(*view).lastFrame(&w, &h);
  EXPECT_EQ(w, 100);
  EXPECT_EQ(h, 50);
  ASSERT_FALSE(frame.empty());
  EXPECT_EQ(frame[3], 255);  // opaque black
  EXPECT_EQ(QVContext::getCurrentContext(), nullptr);
}

TEST_F(QVViewGLTest, BadSizesGiveNoDrawableAndALogLineAndALaterLayoutWorks) {
  for (QVRect bad : {QVRect{0, 0, 0, 0}, QVRect{0, 0, -10, 20}, QVRect{0, 0, 100000, 10}}) {
    log.lines.clear();
    auto view = QVObjectFactory::viewWithFrame(bad);
    EXPECT_FALSE(view->layoutSubviews());
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0].rfind("failed to make complete framebuffer object ", 0), 0u) << log.lines[0];
    EXPECT_EQ(QVContext::getCurrentContext(), nullptr);
    view->update();  // draws into nothing, without crashing
    view->setFrame(QVRect{0, 0, 16, 16});
    EXPECT_EQ(view->drawable().width(), 16);
  }
  std::string why;
  EXPECT_FALSE(QVObjectFactory::viewWithFrame(QVRect{0, 0, std::nan(""), 10}, &why));
  EXPECT_EQ(why, "viewWithFrame: a frame of nanx10 points is not a size a view can have");
}

TEST_F(QVViewGLTest, FrameTimerTicksUnderTheManualClockAndIsRetimed) {
  auto view = makeView();
  view->setAnimationInterval(0.5);  // before run: only stored
  EXPECT_FALSE(view->isAnimating());
  view->run();
  RunLoop::main().runFor(2.0);
  EXPECT_EQ(offscreen(*view).presentCount(), 4);
  view->setAnimationInterval(0.25);  // after run: replaced at once
  RunLoop::main().runFor(1.0);
  EXPECT_EQ(offscreen(*view).presentCount(), 8);
  EXPECT_FALSE(view->setAnimationInterval(0));  // refused: the timer keeps its pace
  EXPECT_EQ(log.lines.back(), "setAnimationInterval: 0 seconds is not an interval; keeping 0.25");
  RunLoop::main().runFor(1.0);
  EXPECT_EQ(offscreen(*view).presentCount(), 12);
  view->halt();
  RunLoop::main().runFor(1.0);
  EXPECT_EQ(offscreen(*view).presentCount(), 12);
  EXPECT_FALSE(view->isAnimating());
}

TEST_F(QVViewGLTest, ADroppedRunningViewIsDestroyedAndItsTimerStops) {
  std::weak_ptr<QVViewGL> weak;
  {
    auto view = makeView();
    view->run();
    weak = view;
  }
  EXPECT_TRUE(weak.expired());
  RunLoop::main().runFor(0.5);  // the orphaned timer fires harmlessly
}

TEST_F(QVViewGLTest, ManyViewsCreatedAndDestroyedLeaveNoContextBehind) {
  for (int i = 0; i < 1000; ++i) {
    auto view = makeView(32, 16);
    if (i % 100 == 0) view->update();
  }
  EXPECT_EQ(QVContext::attachedViews(), 0);
  EXPECT_EQ(QVContext::getCurrentContext(), nullptr);
}

TEST_F(QVViewGLTest, OneViewsTeardownKeepsAnotherViewsFramebuffer) {
  auto survivor = makeView(32, 16);
  GLuint framebuffer = survivor->drawable().framebuffer();
  makeView(16, 16).reset();
  {
    SharedContextScope scope;
    ASSERT_TRUE(scope.ok());
    EXPECT_TRUE(oes::glIsFramebufferOES(framebuffer));
  }
  survivor.reset();
  SharedContextScope fresh;  // the last view is gone: a new context, without the old objects
  EXPECT_FALSE(oes::glIsFramebufferOES(framebuffer));
}
