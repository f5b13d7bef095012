#pragma once

#include <cstdint>

namespace rt {

// The calling thread's own pseudo-random generator, giving 0 to 32767. Each thread starts from
// the same fixed state until it seeds its generator.
void seedThreadRandom(std::uint32_t seed);
int threadRandom();

}  // namespace rt
