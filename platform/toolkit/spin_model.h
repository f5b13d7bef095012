#pragma once

#include <cstdint>

#include "platform/toolkit/dialog_template.h"
#include "platform/toolkit/window.h"

namespace tk {

// The step rule of an up-down (spin) control, shared by the backends so that both count alike.
// The up arrow moves one toward `upper` and the down arrow one toward `lower` (so with lower >
// upper the up arrow counts down). A position outside the range first comes into range at the
// nearer end and is then stepped. Past an end the position wraps to the other end when `wrap`,
// else it stays at the end.
std::int32_t stepSpinPosition(std::int32_t position, std::int16_t lower, std::int16_t upper,
                              bool up, bool wrap);

// One spin control: its range, its buddy edit, and its own position when it has no buddy.
class SpinModel {
 public:
  // An unset range counts from 0 up to 100.
  static constexpr std::int16_t kDefaultLower = 0;
  static constexpr std::int16_t kDefaultUpper = 100;

  explicit SpinModel(std::uint32_t attrs = attr::kNone) : attrs_(attrs) {}

  void setRange(std::int16_t lower, std::int16_t upper) {
    lower_ = lower;
    upper_ = upper;
  }
  void setBuddy(int editId) { buddy_ = editId; }
  std::int16_t lower() const { return lower_; }
  std::int16_t upper() const { return upper_; }
  int buddy() const { return buddy_; }
  bool answersArrowKeys() const { return (attrs_ & attr::kSpinArrowKeys) != 0; }

  // Steps once. The position comes from the buddy's text as a signed number; the new one is
  // written back as plain signed decimal (raising the buddy's change notification) when the spin
  // writes its buddy and the text would change.
  void step(Window& window, bool up);

 private:
  std::uint32_t attrs_;
  std::int16_t lower_ = kDefaultLower;
  std::int16_t upper_ = kDefaultUpper;
  int buddy_ = kNoId;
  std::int32_t ownPosition_ = kDefaultLower;
};

}  // namespace tk
