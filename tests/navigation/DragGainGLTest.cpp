// Dragging measured on rendered frames: a band edge of the colour-coded panorama is grabbed, dragged N
// points, and found again in the next frame. Pointer-true dragging moves it N points, at any field of view
// and along either axis. The measured gains are printed for the record.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

#include "qv/os/Environment.h"
#include "qv/os/RunLoop.h"
#include "tests/support/ViewTestSupport.h"

using namespace qv;

namespace {

constexpr int kWidth = 320, kHeight = 240;

class DragGainGLTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RunLoop::main().useManualClock(100.0);
    Environment::current().setScreen(QVRect{0, 0, kWidth, kHeight}, 1.0);
    view = makeLaidOutView(kWidth, kHeight);
    view->setImage(ColourCodedPanorama::make(2048, 1024));
  }
  void TearDown() override {
    view.reset();
    Environment::current().reset();
    RunLoop::main().useRealClock();
  }

  RGB at(int x, int y, bool vertical) { return vertical ? framePixel(*view, y, x) : framePixel(*view, x, y); }
  // Where along a line (a row, or a column when `vertical`) one flat colour gives way to another, in
  // order; a blended pixel may sit between the two.
  struct Edge {
    int at = 0;  // the first pixel that differs from the colour before
    RGB before{}, after{};
  };
  std::vector<Edge> edges(int line, bool vertical) {
    const int along = vertical ? kHeight : kWidth;
    std::vector<Edge> found;
    for (int i = 1; i + 1 < along; ++i) {
      const RGB before = at(i - 1, line, vertical), here = at(i, line, vertical);
      if (before == here) continue;
      const RGB next = at(i + 1, line, vertical);
      found.push_back(Edge{i, before, next});
      if (next != here) ++i;  // a blended pixel: the edge spans two
    }
    return found;
  }
  // The edge nearest `position`, optionally only one between the same two colours as `like`.
  std::optional<Edge> nearest(int line, bool vertical, double position, const Edge* like = nullptr) {
    std::optional<Edge> best;
    for (const Edge& e : edges(line, vertical)) {
      if (like && (e.before != like->before || e.after != like->after)) continue;
      if (!best || std::abs(e.at - position) < std::abs(best->at - position)) best = e;
    }
    return best;
  }
  void drag(double x0, double y0, double x1, double y1) {
    auto touches = [&](double x, double y) { return std::vector<QVViewGL::Touch>{{x, y, view.get()}}; };
    view->touchesBegan(touches(x0, y0));
    for (int i = 1; i <= 6; ++i) view->touchesMoved(touches(x0 + (x1 - x0) * i / 6, y0 + (y1 - y0) * i / 6));
    view->touchesEnded(touches(x1, y1));
  }
  // Grabs the edge nearest the centre on the middle line of the given axis, drags it `distance` points
  // towards the far side and measures how far it moved in the rendered picture.
  double gain(bool vertical, double distance) {
    view->update();
    const int along = vertical ? kHeight : kWidth, line = (vertical ? kWidth : kHeight) / 2;
    const std::optional<Edge> start = nearest(line, vertical, along / 2);
    EXPECT_TRUE(start) << "no edge to grab";
    if (!start) return 0;
    const int b0 = start->at;
    if (b0 > along / 2) distance = -distance;  // towards the far side, so that the edge stays in view
    if (vertical) {
      drag(line, b0, line, b0 + distance);
    } else {
      drag(b0, line, b0 + distance, line);
    }
    view->update();
    const std::optional<Edge> moved = nearest(line, vertical, b0 + distance, &*start);
    EXPECT_TRUE(moved) << "the grabbed edge left the view";
    return moved ? (moved->at - b0) / distance : 0;
  }

  std::shared_ptr<QVViewGL> view;
};

}  // namespace

TEST_F(DragGainGLTest, TheGrabbedPointStaysUnderThePointer) {
  for (float fov : {30.0f, 75.0f, 110.0f}) {
    for (bool vertical : {false, true}) {
      view->setRotationX(10);
      // Vertically the edge of the zenith cap (60 degrees up) is grabbed: look up enough to see it.
      view->setRotationY(vertical ? 60 - fov / 4 : 0);
      view->setFieldOfView(fov);
      const double g = gain(vertical, 60);
      std::printf("drag gain at fov %.0f, %s: %.3f\n", fov, vertical ? "vertical" : "horizontal", g);
      EXPECT_NEAR(g, 1.0, 0.1) << "fov " << fov << (vertical ? " vertical" : " horizontal");
    }
  }
}
