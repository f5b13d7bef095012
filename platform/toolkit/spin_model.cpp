#include "platform/toolkit/spin_model.h"

#include <algorithm>
#include <string>

namespace tk {

std::int32_t stepSpinPosition(std::int32_t position, std::int16_t lower, std::int16_t upper,
                              bool up, bool wrap) {
  const std::int32_t low = std::min(lower, upper);
  const std::int32_t high = std::max(lower, upper);
  position = std::clamp(position, low, high);
  const bool towardHigh = up == (upper >= lower);
  if (towardHigh) {
    if (position < high) return position + 1;
    return wrap ? low : high;
  }
  if (position > low) return position - 1;
  return wrap ? high : low;
}

void SpinModel::step(Window& window, bool up) {
  const bool writesBuddy = buddy_ != kNoId && (attrs_ & attr::kSpinSetBuddyInt) != 0;
  const std::int32_t from = writesBuddy ? window.readSigned(buddy_) : ownPosition_;
  ownPosition_ = stepSpinPosition(from, lower_, upper_, up, (attrs_ & attr::kSpinWrap) != 0);
  if (!writesBuddy) return;
  const std::string text = std::to_string(ownPosition_);
  if (window.text(buddy_, text.size() + 1) != text) window.setText(buddy_, text);
}

}  // namespace tk
