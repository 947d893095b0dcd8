// Every layout leaves the shared context's state as the frame found it, so a host that draws with the same
// context (or the next layout) never inherits an enabled texture, a clip plane or a bound array.
#include <gtest/gtest.h>

#include <filesystem>

#include "qv/hotspots/QVHotspot.h"
#include "qv/os/Environment.h"
#include "qv/os/GLES.h"
#include "qv/os/PixelBuffer.h"
#include "qv/os/RunLoop.h"
#include "qv/os/TapRecognizer.h"
#include "qv/platform/QVContext.h"
#include "tests/hotspots/HotspotTestSupport.h"
#include "tests/support/HostAsset.h"
#include "tests/support/ViewTestSupport.h"

using namespace qv;

namespace {

// The state a renderer could leave behind, one "name=value" per item, so a failure names what changed.
std::string glStateNow() {
  std::lock_guard<std::mutex> guard(QVContext::glLock());
  SharedContextScope scope;
  std::string out;
  const std::pair<GLenum, const char*> caps[] = {{GL_TEXTURE_2D, "texture2d"},
                                                 {GL_BLEND, "blend"},
                                                 {GL_CULL_FACE, "cull"},
                                                 {GL_DEPTH_TEST, "depthTest"},
                                                 {GL_CLIP_PLANE0, "clip0"},
                                                 {GL_CLIP_PLANE1, "clip1"},
                                                 {GL_LIGHTING, "lighting"},
                                                 {GL_VERTEX_ARRAY, "vertexArray"},
                                                 {GL_TEXTURE_COORD_ARRAY, "texCoordArray"},
                                                 {GL_NORMAL_ARRAY, "normalArray"},
                                                 {GL_COLOR_ARRAY, "colorArray"}};
  for (auto [cap, name] : caps) out += std::string(name) + "=" + std::to_string(glIsEnabled(cap)) + " ";
  const std::pair<GLenum, const char*> values[] = {{GL_TEXTURE_BINDING_2D, "boundTexture"},
                                                   {GL_MATRIX_MODE, "matrixMode"},
                                                   {GL_DEPTH_WRITEMASK, "depthMask"},
                                                   {GL_UNPACK_ALIGNMENT, "unpackAlignment"}};
  for (auto [value, name] : values) {
    GLint v = 0;
    glGetIntegerv(value, &v);
    out += std::string(name) + "=" + std::to_string(v) + " ";
  }
  GLfloat texture[16], colour[4];
  glGetFloatv(GL_TEXTURE_MATRIX, texture);
  glGetFloatv(GL_CURRENT_COLOR, colour);
  out += "textureMatrix=";
  for (GLfloat f : texture) out += std::to_string(f) + ",";
  out += " colour=";
  for (GLfloat f : colour) out += std::to_string(f) + ",";
  return out;
}

}  // namespace

TEST(FrameStateGLTest, EveryLayoutLeavesTheContextAsItFoundIt) {
  RunLoop::main().useManualClock(5.0);
  Environment::current().setScreen(QVRect{0, 0, 96, 64}, 1.0);
  LogCapture log;
  const auto folder = std::filesystem::temp_directory_path() / "qv-frame-state-test";
  std::filesystem::create_directories(folder);
  const std::string disk = (folder / "disk.png").string();
  ASSERT_TRUE(solid(16, 16, 10, 200, 10)->writePNG(disk));

  auto view = makeLaidOutView(96, 64);
  const std::string baseline = glStateNow();
  view->setImage(ColourCodedPanorama::make(128, 64));
  view->setBlindSpotImage(disk);
  view->setBlindSpotLocation(1);
  view->createHotspot(solid(16, 16, 255, 255, 255))->setCoordinates(0, 0, 0);
  auto frame = PixelBuffer::create(32, 16);
  struct Case {
    const char* name;
    int mode;
    bool stereo, video;
  };
  for (Case c : {Case{"sphere", 0, false, false}, Case{"stereo pair", 0, true, false},
                 Case{"cylinder", 2, false, true}, Case{"flat", 1, false, true},
                 Case{"over-under", 4, true, true}, Case{"unknown layout", 9, false, true}}) {
    if (c.video) {
      view->displayAsset(std::make_shared<HostAsset>());
      view->onImageBuffer(frame.get(), 0, 0, 32, 16);
    }
    view->setViewMode(c.mode, 2.0f);
    view->setStereo(c.stereo);
    view->update();
    EXPECT_EQ(glStateNow(), baseline) << c.name;
    view->tapRecognizer()->tap(48, 32);  // a picking pass
    view->update();
    EXPECT_EQ(glStateNow(), baseline) << c.name << ", picking";
  }
  view->onVideoFrame(nullptr, 0, 0, 4, 4);
  EXPECT_EQ(glStateNow(), baseline) << "raw frame upload";
  view.reset();
  std::filesystem::remove_all(folder);
  Environment::current().reset();
  RunLoop::main().useRealClock();
}
