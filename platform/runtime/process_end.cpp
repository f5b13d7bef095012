#include "platform/runtime/process_end.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <utility>

namespace rt {
namespace {

std::mutex enderMutex;
std::function<void(int)>& ender() {
  static std::function<void(int)> instance;
  return instance;
}

}  // namespace

void endProcess(int status) {
  std::function<void(int)> replacement;
  {
    std::lock_guard lock(enderMutex);
    replacement = ender();
  }
  if (replacement) {
    replacement(status);
    throw ProcessEnded(status);
  }
  std::cout.flush();
  std::fflush(nullptr);
  // No destructors: the process ends at once, whatever windows and threads exist.
  std::_Exit(status);
}

void setProcessEnder(std::function<void(int)> replacement) {
  std::lock_guard lock(enderMutex);
  ender() = std::move(replacement);
}

}  // namespace rt
