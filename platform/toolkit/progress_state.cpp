#include "platform/toolkit/progress_state.h"

#include <algorithm>

namespace tk {

void ProgressState::setRange(std::uint16_t newUpper) {
  upper = newUpper;
  position = std::clamp(position, lower, upper);
}

void ProgressState::stepIt() {
  // 64 bits: a large step added to a large position must not overflow.
  const long long next = static_cast<long long>(position) + step;
  const long long span = static_cast<long long>(upper) - lower;
  if (next > upper) {
    position = span > 0 ? static_cast<int>(lower + (next - lower) % span) : lower;
  } else {
    position = static_cast<int>(std::max<long long>(next, lower));
  }
}

void ProgressState::setPosition(int newPosition) {
  position = std::clamp(newPosition, lower, upper);
}

}  // namespace tk
