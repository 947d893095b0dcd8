#include <gtest/gtest.h>

#include <thread>

#include "qv/os/Environment.h"
#include "qv/platform/QVContext.h"
#include "qv/platform/UIDeviceHardware.h"
#include "tests/support/GLTestSupport.h"

using namespace qv;

TEST(QVContextTest, OneSharedContextForEveryThreadUntilCleared) {
  auto first = QVContext::getEAGLContext();
  ASSERT_TRUE(first);
  EXPECT_EQ(QVContext::getCurrentContext(), first);
  EXPECT_EQ(QVContext::getEAGLContext(), first);
  GLContext::setCurrent(nullptr);  // one thread at a time

  std::shared_ptr<GLContext> fromWorker;
  std::thread worker([&] {
    fromWorker = QVContext::getEAGLContext();
    GLContext::setCurrent(nullptr);
  });
  worker.join();
  EXPECT_EQ(fromWorker, first);

  QVContext::getEAGLContext();
  QVContext::clearContexts();
  EXPECT_EQ(QVContext::getCurrentContext(), nullptr);
  auto second = QVContext::getEAGLContext();
  ASSERT_TRUE(second);
  EXPECT_NE(second, first);
  QVContext::clearContexts();
}

TEST(QVContextTest, ClearingLeavesTheHostsOwnContextCurrent) {
  QVContext::getEAGLContext();
  ScopedGLContext host;  // the host's context is current on this thread now
  ASSERT_TRUE(host.ok());
  QVContext::clearContexts();
  EXPECT_EQ(QVContext::getCurrentContext(), host.context());
}

TEST(QVContextTest, OnlyTheLastAttachedViewClearsTheSharedContext) {
  auto shared = QVContext::getEAGLContext();
  GLContext::setCurrent(nullptr);
  QVContext::attachView();
  QVContext::attachView();
  QVContext::detachView();
  EXPECT_EQ(QVContext::getEAGLContext(), shared);
  std::weak_ptr<GLContext> released = shared;
  shared.reset();
  QVContext::detachView();
  EXPECT_TRUE(released.expired());  // nothing keeps the context alive after the last view
  EXPECT_TRUE(QVContext::getEAGLContext());
  QVContext::clearContexts();
}

TEST(QVContextTest, SharedContextScopeRestoresTheCallersContextOnEveryPath) {
  ScopedGLContext host;
  {
    SharedContextScope scope;
    ASSERT_TRUE(scope.ok());
    EXPECT_EQ(GLContext::current(), scope.shared());
  }
  EXPECT_EQ(GLContext::current(), host.context());
  QVContext::clearContexts();
}
