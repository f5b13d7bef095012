#pragma once

#include <cstdint>

namespace tk {

// What a progress bar shows: the range 0..upper, the step and the position. Both backends keep
// one so that they agree on the clamping and the wrap of a step past the end.
struct ProgressState {
  int lower = 0;
  int upper = 100;
  int step = 10;
  int position = 0;

  // A new range keeps the position inside it.
  void setRange(std::uint16_t newUpper);
  void setStep(int newStep) { step = newStep; }
  // Steps once; a step past the upper end starts over from the beginning, one past the lower end
  // stays there.
  void stepIt();
  void setPosition(int newPosition);

  friend bool operator==(const ProgressState&, const ProgressState&) = default;
};

}  // namespace tk
