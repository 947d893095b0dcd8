#include "qv/os/ThreadName.h"

#include <pthread.h>

namespace qv {

namespace {

thread_local std::string fullName;
constexpr size_t kOSNameLimit = 15;

}  // namespace

void setCurrentThreadName(std::string_view name) {
  fullName = std::string(name);
  std::string osName(name.substr(0, kOSNameLimit));
  pthread_setname_np(pthread_self(), osName.c_str());
}

std::string currentThreadName() {
  if (!fullName.empty()) return fullName;
  char name[16] = {};
  pthread_getname_np(pthread_self(), name, sizeof name);
  return name;
}

}  // namespace qv
