#include <gtest/gtest.h>

#include "qv/os/GLContext.h"
#include "tests/support/GLTestSupport.h"

TEST(GLContextTest, SurfacelessES1ContextRendersIntoAFramebufferObject) {
  ScopedGLContext scoped;
  ASSERT_TRUE(scoped.ok());
  EXPECT_EQ(GLContext::current(), scoped.context());
  OffscreenTarget target(8, 4);
  ASSERT_TRUE(target.complete());
  glClearColor(1, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  auto pixels = target.readRGBA();
  EXPECT_EQ(pixels[0], 255);
  EXPECT_EQ(pixels[1], 0);
  EXPECT_EQ(pixels[3], 255);
  EXPECT_NE(oes::glGenerateMipmapOES, nullptr);
}

TEST(GLContextTest, SetCurrentNullReleasesTheThreadsContext) {
  auto context = GLContext::create();
  ASSERT_TRUE(context);
  ASSERT_TRUE(GLContext::setCurrent(context));
  EXPECT_EQ(GLContext::current(), context);
  ASSERT_TRUE(GLContext::setCurrent(nullptr));
  EXPECT_EQ(GLContext::current(), nullptr);
}

TEST(GLContextTest, DesktopContextForReferenceComparisons) {
  ScopedGLContext scoped(EglContext::Api::DesktopGL);
  ASSERT_TRUE(scoped.ok());
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(std::string(version).find("OpenGL ES"), std::string::npos);
}
