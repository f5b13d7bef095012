#include "platform/toolkit/dialog_units.h"

#include <algorithm>
#include <cmath>

namespace tk {
namespace {

int rounded(double pixels) { return static_cast<int>(std::lround(pixels)); }

// Up to the next whole pixel, so that an edge the host had inside stays inside.
int roundedUp(double pixels) { return static_cast<int>(std::ceil(pixels - 1e-9)); }

}  // namespace

int hostOuterHeight(int units) {
  return kHostFrameHeight + roundedUp(static_cast<double>(units) * kHostCharHeight / 8);
}

int DialogUnits::x(int units) const { return rounded(units * charWidth_ / 4); }

int DialogUnits::y(int units) const { return rounded(units * charHeight_ / 8); }

int DialogUnits::clientWidth(int hostOuterWidth) const {
  const double units = std::max(0, hostOuterWidth - kHostFrameWidth) * 4.0 / kHostCharWidth;
  return std::max(1, roundedUp(units * charWidth_ / 4));
}

int DialogUnits::clientHeight(int hostOuterHeight) const {
  const double units = std::max(0, hostOuterHeight - kHostFrameHeight) * 8.0 / kHostCharHeight;
  return std::max(1, roundedUp(units * charHeight_ / 8));
}

PixelRect DialogUnits::rect(const Rect& units) const {
  const int left = x(units.x);
  const int top = y(units.y);
  return PixelRect{left, top, x(units.x + units.width) - left, y(units.y + units.height) - top};
}

}  // namespace tk
