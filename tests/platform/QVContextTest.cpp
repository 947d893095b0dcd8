#include <gtest/gtest.h>

#include <thread>

#include "qv/os/Environment.h"
#include "qv/platform/QVContext.h"
#include "qv/platform/UIDeviceHardware.h"
#include "tests/support/GLTestSupport.h"

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
  QVContext::detachView();
  EXPECT_NE(QVContext::getEAGLContext(), shared);
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

TEST(QVContextTest, SystemVersionDecidesTheLegacyRenderer) {
  auto& environment = Environment::current();
  for (auto [version, expected] : {std::pair{"4.3.5", false}, {"5.0", true}, {"6.1", true}, {"", false}}) {
    environment.setSystemVersion(version);
    EXPECT_EQ(QVContext::isiOS50(), expected) << version;
  }
  environment.reset();
  EXPECT_TRUE(QVContext::isiOS50());  // a Linux kernel release is well above 4
}

TEST(UIDeviceHardwareTest, ModelNamesAndClasses) {
  struct Row {
    const char* machine;
    const char* name;
    int modelClass;
  };
  for (const Row& row :
       {Row{"iPhone3,2", "iPhone3,2", 5}, Row{"iPhone5,1", "iPhone5,1", 7}, Row{"iPhone4,1", "iPhone 4S", 6},
        Row{"iPad3,3", "iPad 3 (4G)", 14}, Row{"iPad2,7", "iPad2,7", 13}, Row{"iPod5,1", "iPod5,1", 16},
        Row{"x86_64", "Simulator", 99}, Row{"aarch64", "aarch64", 14}, Row{"", "", 14}}) {
    EXPECT_EQ(UIDeviceHardware::platformString(row.machine), row.name) << row.machine;
    EXPECT_EQ(UIDeviceHardware::platformClass(row.machine), row.modelClass) << row.machine;
  }
  Environment::current().setMachine("iPod3,1");
  EXPECT_EQ(UIDeviceHardware::platform(), "iPod3,1");
  EXPECT_EQ(UIDeviceHardware::platformClass(), 10);
  Environment::current().reset();
  EXPECT_FALSE(UIDeviceHardware::platform().empty());
}
