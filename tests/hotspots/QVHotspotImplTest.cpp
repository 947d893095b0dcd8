#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cstdlib>
#include <set>

#include "qv/hotspots/QVHotspotImpl.h"
#include "qv/os/Image.h"
#include "qv/os/RunLoop.h"
#include "tests/hotspots/HotspotTestSupport.h"

using namespace qv;

namespace {

class QVHotspotImplTest : public ::testing::Test {
 protected:
  void SetUp() override { RunLoop::main().useManualClock(10.0); }
  void TearDown() override {
    RunLoop::main().runOnce();
    RunLoop::main().useRealClock();
  }
};

const uint8_t* pixel(const Image& image, int x, int y) {
  return &image.rgba()[(size_t(y) * image.width() + x) * 4];
}

}  // namespace

TEST_F(QVHotspotImplTest, PickingColoursAreExactUniqueAndNeverBlack) {
  auto a = QVHotspotImpl::create();
  for (int32_t c : {a->red, a->green, a->blue}) {
    EXPECT_GE(c, 0);
    EXPECT_LE(c, 254);
  }
  EXPECT_TRUE(a->hitWithRed(a->red, a->green, a->blue));
  EXPECT_FALSE(a->hitWithRed(a->red + 1, a->green, a->blue));
  EXPECT_FALSE(a->hitWithRed(a->red, a->green - 1, a->blue));
  EXPECT_FALSE(a->hitWithRed(a->red, a->green, a->blue + 1));

  // The same random sequence again must not give a second hotspot the same colour.
  std::srand(77);
  auto b = QVHotspotImpl::create();
  std::srand(77);
  auto c = QVHotspotImpl::create();
  EXPECT_FALSE(c->hitWithRed(b->red, b->green, b->blue));

  std::set<uint32_t> seen;
  std::vector<std::shared_ptr<QVHotspotImpl>> many;
  for (int i = 0; i < 2000; ++i) {
    many.push_back(QVHotspotImpl::create());
    auto& h = *many.back();
    EXPECT_NE(h.red | h.green | h.blue, 0);
    EXPECT_TRUE(seen.insert(uint32_t(h.red) << 16 | h.green << 8 | h.blue).second);
  }
  // A released colour may be drawn again: b's colour is free once b is gone.
  int32_t r = b->red, g = b->green, bl = b->blue;
  b.reset();
  std::srand(77);
  auto d = QVHotspotImpl::create();
  EXPECT_TRUE(d->hitWithRed(r, g, bl));
}

TEST_F(QVHotspotImplTest, CanvasFitsTheWholePictureCentredAtOneScale) {
  auto h = QVHotspotImpl::create();
  h->setImage(solid(200, 100, 200, 10, 10));
  h->process();
  ASSERT_TRUE(h->image());
  EXPECT_EQ(std::pair(h->image()->width(), h->image()->height()), std::pair(256, 128));
  // 2:1 into 2:1 fills the canvas: no squashing into a band.
  EXPECT_EQ(pixel(*h->image(), 128, 2)[3] & pixel(*h->image(), 128, 125)[3], 255);

  // 3:1 into 512 x 128: drawn 384 x 128 from x = 64, transparent bands beside it.
  h->setImage(solid(300, 100, 10, 200, 10));
  h->process();
  const Image& wide = *h->image();
  ASSERT_EQ(std::pair(wide.width(), wide.height()), std::pair(512, 128));
  for (int x : {63, 64, 447, 448}) EXPECT_EQ(pixel(wide, x, 64)[3], x == 63 || x == 448 ? 0 : 255) << x;
  for (int y : {0, 127}) EXPECT_EQ(pixel(wide, 200, y)[1], 200) << y;  // colour kept up to the edge

  // Tall: 100 x 300 into 128 x 512, drawn 128 x 384 from y = 64.
  h->setImage(solid(100, 300, 10, 10, 200));
  h->process();
  for (int y : {63, 64}) EXPECT_EQ(pixel(*h->image(), 64, y)[3], y == 63 ? 0 : 255);
}

TEST_F(QVHotspotImplTest, MessagesArePostedOnceAndReachOnlyALiveTarget) {
  auto h = QVHotspotImpl::create();
  h->setTag(5);
  auto target = std::make_shared<Recorder>();
  std::vector<QVHotspot*> tapped;
  h->addTarget(target, [&](QVHotspot* hotspot) { tapped.push_back(hotspot); });
  EXPECT_EQ(target.use_count(), 1);  // held weakly

  h->triggerFocusIn();
  h->triggerFocusIn();
  h->trigger();
  EXPECT_TRUE(target->events.empty());  // posted, never delivered inside the call
  EXPECT_TRUE(tapped.empty());
  RunLoop::main().runOnce();
  EXPECT_EQ(target->events, (std::vector<std::string>{"in 5"}));
  EXPECT_EQ(tapped, (std::vector<QVHotspot*>{h.get()}));

  h->triggerFocusOut();
  h->trigger();
  std::weak_ptr<QVHotspotImpl> weakHotspot = h;
  h.reset();  // the posted messages keep the hotspot until they ran
  EXPECT_FALSE(weakHotspot.expired());
  RunLoop::main().runOnce();
  EXPECT_TRUE(weakHotspot.expired());
  EXPECT_EQ(target->events.back(), "out 5");
  EXPECT_EQ(tapped.size(), 2u);

  auto other = QVHotspotImpl::create();
  other->addTarget(target, [&](QVHotspot* hotspot) { tapped.push_back(hotspot); });
  other->trigger();
  target.reset();  // gone before the message runs: nothing happens
  RunLoop::main().runOnce();
  EXPECT_EQ(tapped.size(), 2u);
}

TEST_F(QVHotspotImplTest, ALargePictureIsScaledDownToABoundedCanvas) {
  // 5000 x 1000 would need an 8192 x 1024 canvas; it gets 2048 x 512, the picture drawn 2048 x 410.
  auto h = QVHotspotImpl::create();
  h->setImage(solid(5000, 1000, 10, 200, 10));
  h->process();
  ASSERT_TRUE(h->image());
  const Image& canvas = *h->image();
  EXPECT_EQ(std::pair(canvas.width(), canvas.height()), std::pair(2048, 512));
  for (int y : {50, 51, 460, 461}) EXPECT_EQ(pixel(canvas, 1024, y)[3], y == 50 || y == 461 ? 0 : 255) << y;
  EXPECT_EQ(pixel(canvas, 0, 256)[1], 200);

  // A JPEG is kept as BGRA and scaled in place: its colours come out in RGBA order all the same.
  std::vector<uint8_t> rgb(size_t(3000) * 8 * 3);
  for (size_t i = 0; i < rgb.size(); i += 3) rgb[i] = 220, rgb[i + 1] = 30, rgb[i + 2] = 90;
  tjhandle handle = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  ASSERT_EQ(tjCompress2(handle, rgb.data(), 3000, 0, 8, TJPF_RGB, &jpeg, &size, TJSAMP_444, 100, 0), 0);
  auto photo = Image::fromBytes(std::span<const uint8_t>(jpeg, size), "wide.jpg");
  tjFree(jpeg);
  tjDestroy(handle);
  ASSERT_TRUE(photo && photo->premultipliedBGRA());
  h->setImage(photo);
  h->process();
  ASSERT_EQ(std::pair(h->image()->width(), h->image()->height()), std::pair(2048, 8));
  const uint8_t* centre = pixel(*h->image(), 1024, 3);
  EXPECT_NEAR(centre[0], 220, 3);
  EXPECT_NEAR(centre[1], 30, 3);
  EXPECT_NEAR(centre[2], 90, 3);
}
