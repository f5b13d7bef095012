#pragma once

#include <cstdint>

namespace tk {

// The window timer runs no faster than every 10 ms and no slower than the longest period it can
// hold; a period asked for outside that range runs at the nearer end.
inline constexpr std::uint32_t kShortestTimerMs = 10;
inline constexpr std::uint32_t kLongestTimerMs = 2147483647;

constexpr std::uint32_t effectiveTimerPeriod(std::uint32_t requestedMs) {
  if (requestedMs < kShortestTimerMs) return kShortestTimerMs;
  if (requestedMs > kLongestTimerMs) return kLongestTimerMs;
  return requestedMs;
}

}  // namespace tk
