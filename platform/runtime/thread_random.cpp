#include "platform/runtime/thread_random.h"

namespace rt {
namespace {

// A linear congruential generator whose high bits give 15-bit numbers.
thread_local std::uint32_t state = 1;

}  // namespace

void seedThreadRandom(std::uint32_t seed) { state = seed; }

int threadRandom() {
  state = state * 214013u + 2531011u;
  return static_cast<int>((state >> 16) & 0x7fffu);
}

}  // namespace rt
