#pragma once

#include <cstdlib>

namespace tarnix::fuzz {

// Stops the run on a broken property, so that libFuzzer keeps the input that broke it.
inline void require(bool holds) {
  if (!holds) std::abort();
}

}  // namespace tarnix::fuzz
