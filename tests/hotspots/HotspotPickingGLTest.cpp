// Hotspots drawn and picked by a real view on llvmpipe: picking colours read back exactly, so each tap or
// focus test checks precisely which messages arrive.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "qv/core/QVObjectFactory.h"
#include "qv/hotspots/QVHotspotImpl.h"
#include "qv/os/Environment.h"
#include "qv/os/GLES.h"
#include "qv/os/Image.h"
#include "qv/os/OffscreenLayer.h"
#include "qv/os/RenderableView.h"
#include "qv/os/RunLoop.h"
#include "qv/os/TapRecognizer.h"
#include "qv/platform/QVContext.h"
#include "tests/hotspots/HotspotTestSupport.h"
#include "tests/support/ViewTestSupport.h"

using namespace qv;

namespace {

struct Point {
  double x = -1, y = -1;
  int count = 0;
};

class HotspotPickingGLTest : public ::testing::Test {
 protected:
  void SetUp() override { RunLoop::main().useManualClock(10.0); }
  void TearDown() override {
    RunLoop::main().runOnce();
    RunLoop::main().useRealClock();
  }

  std::shared_ptr<QVHotspotImpl> add(QVViewGL& view, float yaw, float pitch, int tag) {
    auto h = std::static_pointer_cast<QVHotspotImpl>(view.createHotspot(solid(32, 32, 255, 255, 255)));
    h->setCoordinates(yaw, pitch, 0);
    h->setTag(tag);
    h->addTarget(target, [this](QVHotspot* hotspot) { tapped.push_back(hotspot->getTag()); });
    return h;
  }
  // Runs one frame and then the messages it posted.
  void frame(QVViewGL& view) {
    view.update();
    RunLoop::main().runOnce();
  }
  OffscreenLayer& offscreen(QVViewGL& view) { return static_cast<OffscreenLayer&>(*view.layer()); }
  // The centre, in view points, of the bright pixels of the presented frame.
  Point brightCentre(QVViewGL& view) {
    int w = 0, h = 0;
    auto px = offscreen(view).lastFrame(&w, &h);
    Point p;
    double sx = 0, sy = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (px[(size_t(y) * w + x) * 4 + 1] > 128) sx += x + 0.5, sy += y + 0.5, ++p.count;
    if (p.count) p.x = sx / p.count, p.y = sy / p.count;
    return p;
  }
  // Where one hotspot shows: the others are made invisible for one presented frame.
  Point locate(QVViewGL& view, QVHotspotImpl& only) {
    std::vector<float> alphas;
    for (auto& h : view.hotspotLayer().hotspots())
      alphas.push_back(h->getAlpha()), h->setAlpha(h.get() == &only ? 1 : 0);
    frame(view);
    for (size_t i = 0; i < alphas.size(); ++i) view.hotspotLayer().hotspots()[i]->setAlpha(alphas[i]);
    return brightCentre(view);
  }
  void tap(QVViewGL& view, Point p) {
    ASSERT_TRUE(view.tapRecognizer());
    ASSERT_TRUE(view.tapRecognizer()->tap(p.x, p.y));
    frame(view);
  }

  std::shared_ptr<Recorder> target = std::make_shared<Recorder>();
  std::vector<int> tapped;
};

}  // namespace

TEST_F(HotspotPickingGLTest, TapsPostTheActionOfExactlyTheHotspotHitFromAnUnseenPickingFrame) {
  auto view = makeLaidOutView(200, 100);
  auto centre = add(*view, 0, 0, 1);
  auto right = add(*view, 30, 0, 2);
  auto overlapping = add(*view, 36, 0, 3);  // drawn after `right`, covering part of it
  auto behind = add(*view, 180, 0, 4);
  for (auto& h : {centre, right, overlapping, behind}) h->setHitRadius(1.5f);

  Point a = locate(*view, *centre), b = locate(*view, *right), c = locate(*view, *overlapping);
  EXPECT_EQ(locate(*view, *behind).count, 0);  // behind the camera: not on screen
  ASSERT_GT(a.count, 0);
  EXPECT_NEAR(a.x, 100, 1.0);  // placed at the view's yaw: horizontally centred
  ASSERT_GT(b.x, a.x);
  ASSERT_GT(c.x, b.x);
  EXPECT_TRUE(tapped.empty());

  // The free part of `right`, then both discs (the one drawn last wins); empty sphere, outside the view.
  const Point taps[] = {a, {b.x - 4, b.y}, {(b.x + c.x) / 2, b.y}, {20, 90}, {-5, 50}, {100, 130}};
  for (Point p : taps) tap(*view, p);
  EXPECT_EQ(tapped, (std::vector<int>{1, 2, 3}));
  EXPECT_TRUE(target->events.empty());
  tapped.clear();

  // The view turned: the hotspots turn with the scene, and the tap follows them. Its picking frame is
  // never presented; the frame after it is a visible one again.
  view->setRotationX(30);
  Point moved = locate(*view, *right);
  EXPECT_NEAR(moved.x, a.x, 1.0);
  int presents = offscreen(*view).presentCount();
  auto before = offscreen(*view).lastFrame();
  ASSERT_TRUE(view->tapRecognizer()->tap(moved.x, moved.y));
  view->update();
  EXPECT_EQ(offscreen(*view).presentCount(), presents);
  EXPECT_EQ(offscreen(*view).lastFrame(), before);
  EXPECT_FALSE(view->frameLoop().isPicking());
  RunLoop::main().runOnce();
  EXPECT_EQ(tapped, (std::vector<int>{2}));
  frame(*view);
  EXPECT_EQ(offscreen(*view).presentCount(), presents + 1);
}

TEST_F(HotspotPickingGLTest, FocusPairsOneFocusInWithOneFocusOut) {
  auto view = makeLaidOutView(200, 100);
  auto h = add(*view, 0, -4.4f, 7);  // centred on the view centre
  h->setHitRadius(2.0f);
  view->setHitOnFocus(true);
  int presents = offscreen(*view).presentCount();
  frame(*view);
  EXPECT_EQ(offscreen(*view).presentCount(), presents + 1);  // the picking pass adds no present
  frame(*view);
  frame(*view);
  EXPECT_EQ(target->events, (std::vector<std::string>{"in 7"}));
  EXPECT_TRUE(h->hover());

  view->tapRecognizer()->tap(100, 50);  // focus mode: taps post no action
  frame(*view);
  EXPECT_TRUE(tapped.empty());

  view->setRotationX(40);  // the centre leaves it
  frame(*view);
  frame(*view);
  EXPECT_EQ(target->events, (std::vector<std::string>{"in 7", "out 7"}));
  view->setRotationX(0);
  frame(*view);
  EXPECT_EQ(target->events.back(), "in 7");

  // Removed while in focus: its focus-out still comes, once.
  view->removeHotspot(h.get());
  for (int i = 0; i < 3; ++i) frame(*view);
  EXPECT_EQ(target->events, (std::vector<std::string>{"in 7", "out 7", "in 7", "out 7"}));

  // Off really turns it off.
  auto again = add(*view, 0, -4.4f, 8);
  again->setHitRadius(2.0f);
  view->setHitOnFocus(false);
  frame(*view);
  frame(*view);
  EXPECT_EQ(target->events.size(), 4u);
}

TEST_F(HotspotPickingGLTest, ImagesShowUprightAtTheirAspectAndFollowTheirPlace) {
  auto view = makeLaidOutView(400, 200);
  view->setFieldOfView(30);
  // Left half of the top red, right half green, bottom blue; 2:1.
  std::vector<uint8_t> px(64 * 32 * 4);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64; ++x) px[(y * 64 + x) * 4 + (y < 16 && x < 32 ? 0 : y < 16 ? 1 : 2)] = 255;
  for (size_t i = 3; i < px.size(); i += 4) px[i] = 255;
  view->createHotspot(Image::fromRGBA(64, 32, std::move(px)));
  frame(*view);
  int w = 0, hh = 0;
  auto frameRGBA = offscreen(*view).lastFrame(&w, &hh);
  double extent[3][4] = {{1e9, -1, 1e9, -1}, {1e9, -1, 1e9, -1}, {1e9, -1, 1e9, -1}};  // x0 x1 y0 y1
  for (int y = 0; y < hh; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) {
        const uint8_t* p = &frameRGBA[(size_t(y) * w + x) * 4];
        if (p[c] > 200 && p[(c + 1) % 3] < 50 && p[(c + 2) % 3] < 50) {
          auto& e = extent[c];
          e[0] = std::min(e[0], double(x)), e[1] = std::max(e[1], double(x));
          e[2] = std::min(e[2], double(y)), e[3] = std::max(e[3], double(y));
        }
      }
  for (auto& e : extent) ASSERT_GE(e[1], 0);
  EXPECT_LT(extent[0][1], extent[1][0]);  // red left of green
  EXPECT_LT(extent[0][3], extent[2][2]);  // red above blue
  double width = extent[2][1] - extent[2][0] + 1, height = extent[2][3] - extent[0][2] + 1;
  EXPECT_NEAR(width / height, 2.0, 0.1);
  // 2.4 units high, about 19 units away (the eye sits one unit off the centre), through a 30 degree
  // field of view on 200 pixels: about 48 pixels.
  EXPECT_NEAR(height, 2.4 / 19.0 * 100 / std::tan(15 * M_PI / 180), 3.0);
}

namespace {

// A live view whose colour the test changes between frames.
struct Swatch : RenderableView {
  uint8_t rgb[3] = {255, 0, 0};
  double side = 64;
  QVRect bounds() const override { return QVRect{0, 0, side, side}; }
  void drawInCanvas(RGBACanvas& canvas) override {
    for (int y = 0; y < canvas.height; ++y)
      for (int x = 0; x < canvas.width; ++x)
        std::copy_n(std::array<uint8_t, 4>{rgb[0], rgb[1], rgb[2], 255}.data(), 4,
                    canvas.pixels + y * canvas.bytesPerRow + x * 4);
  }
};

}  // namespace

TEST_F(HotspotPickingGLTest, LiveViewsShowTheirNewPictureEvenWhenMinified) {
  auto view = makeLaidOutView(200, 200);
  auto swatch = std::make_shared<Swatch>();
  swatch->side = 0;  // nothing to show yet: drawn as nothing, kept
  auto h = std::static_pointer_cast<QVHotspotImpl>(view->createHotspotWithView(swatch));
  h->setSize(0.3f);  // a few pixels for 64: drawn from the small mipmap levels
  h->setCoordinates(0, -4.4f, 0);
  frame(*view);
  EXPECT_EQ(view->hotspotLayer().hotspots().size(), 1u);
  EXPECT_EQ(h->texture, 0u);
  swatch->side = 64;
  frame(*view);
  EXPECT_NE(h->texture, 0u);
  EXPECT_EQ(framePixel(*view, 100, 100), (RGB{255, 0, 0}));
  swatch->rgb[0] = 0, swatch->rgb[2] = 255;
  frame(*view);
  EXPECT_EQ(framePixel(*view, 100, 100), (RGB{0, 0, 255}));
}

TEST_F(HotspotPickingGLTest, RemovedHotspotsAndTeardownLeaveNoGLObjects) {
  auto survivor = makeLaidOutView(32, 16);  // keeps the shared context (and its names) alive
  std::vector<GLuint> names;
  std::shared_ptr<QVHotspotImpl> kept;
  {
    auto view = makeLaidOutView(64, 32);
    view->run();
    std::vector<std::shared_ptr<QVHotspot>> live;
    // 200 hotspots come and go while frames run.
    for (int i = 0; i < 200; ++i) {
      live.push_back(view->createHotspot(solid(8 + i % 5, 8, 200, 100, 50)));
      live.back()->setCoordinates(float(i * 7 % 360), float(i % 40 - 20), 0);
      if (i % 3 == 2) {
        view->removeHotspot(live.front().get());
        live.erase(live.begin());
      }
      RunLoop::main().runFor(1.0 / 60);
      for (auto& h : view->hotspotLayer().hotspots())
        if (h->texture && std::find(names.begin(), names.end(), h->texture) == names.end())
          names.push_back(h->texture);
    }
    EXPECT_EQ(view->hotspotLayer().hotspots().size(), live.size());
    auto gone = std::static_pointer_cast<QVHotspotImpl>(live.front());
    view->removeHotspot(gone.get());
    view->update();  // releases it
    EXPECT_EQ(gone->texture, 0u);
    view->update();  // and drops it
    EXPECT_EQ(
        std::count(view->hotspotLayer().hotspots().begin(), view->hotspotLayer().hotspots().end(), gone), 0);
    kept = std::static_pointer_cast<QVHotspotImpl>(live.back());
    view->halt();
  }
  // The host may still hold a hotspot; the view's teardown released its GL side.
  ASSERT_TRUE(kept);
  EXPECT_EQ(kept->texture, 0u);
  EXPECT_FALSE(kept->image());
  SharedContextScope scope;
  ASSERT_TRUE(scope.ok());
  EXPECT_GT(names.size(), 100u);
  for (GLuint name : names) EXPECT_FALSE(glIsTexture(name)) << name;
}

TEST_F(HotspotPickingGLTest, FocusRestsOnEachEyesCentreInEveryPairedLayout) {
  // View mode 3 draws a pair even with stereo off; the centre of the whole view is the right eye's edge.
  for (bool stereo : {false, true}) {
    target->events.clear();
    auto view = makeLaidOutView(200, 100);
    auto h = add(*view, 0, -4.4f, 5);
    h->setHitRadius(1.0f);
    view->setViewMode(3, 2.0f);
    view->setStereo(stereo);
    view->setHitOnFocus(true);
    frame(*view);
    frame(*view);
    EXPECT_EQ(target->events, (std::vector<std::string>{"in 5"})) << "stereo " << stereo;
    view->setRotationX(60);
    frame(*view);
    EXPECT_EQ(target->events, (std::vector<std::string>{"in 5", "out 5"})) << "stereo " << stereo;
  }
}

TEST_F(HotspotPickingGLTest, ALayoutWithoutHotspotsEndsTheFocus) {
  auto view = makeLaidOutView(200, 100);
  auto h = add(*view, 0, -4.4f, 6);
  h->setHitRadius(2.0f);
  view->setHitOnFocus(true);
  frame(*view);
  ASSERT_EQ(target->events, (std::vector<std::string>{"in 6"}));
  view->setViewMode(1, 2.0f);  // flat: no hotspots drawn, so nothing can hold the focus
  frame(*view);
  frame(*view);
  EXPECT_EQ(target->events, (std::vector<std::string>{"in 6", "out 6"}));
  EXPECT_FALSE(h->hover());
  view->setViewMode(0, 2.0f);  // back on the sphere, it is focused again
  frame(*view);
  EXPECT_EQ(target->events, (std::vector<std::string>{"in 6", "out 6", "in 6"}));
}

TEST_F(HotspotPickingGLTest, TapsHitWhatIsShownAtAnyScreenScale) {
  for (double scale : {2.0, 3.0}) {
    tapped.clear();
    Environment::current().setScreen(QVRect{0, 0, 200, 100}, scale);
    auto view = makeLaidOutView(200, 100);
    add(*view, 20, 5, 8)->setHitRadius(1.5f);
    // Where the hotspot shows on the presented frame (pixels), tapped at the same place in points.
    Point shown = locate(*view, *view->hotspotLayer().hotspots()[0]);
    ASSERT_GT(shown.count, 0) << "scale " << scale;
    tap(*view, Point{shown.x / scale, shown.y / scale});
    EXPECT_EQ(tapped, (std::vector<int>{8})) << "scale " << scale;
    Environment::current().reset();
  }
}
