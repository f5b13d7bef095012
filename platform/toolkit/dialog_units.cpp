#include "platform/toolkit/dialog_units.h"

#include <cmath>

namespace tk {
namespace {

int scaleRounded(int units, int numerator, int denominator) {
  return static_cast<int>(std::lround(static_cast<double>(units) * numerator / denominator));
}

}  // namespace

int DialogUnits::x(int units) const { return scaleRounded(units, charWidth_, 4); }

int DialogUnits::y(int units) const { return scaleRounded(units, charHeight_, 8); }

int DialogUnits::hostWidth(int pixels) const {
  return scaleRounded(pixels, charWidth_, kHostCharWidth);
}

int DialogUnits::hostHeight(int pixels) const {
  return scaleRounded(pixels, 3 * charHeight_, kHostPixelsPer3CharHeights);
}

PixelRect DialogUnits::rect(const Rect& units) const {
  const int left = x(units.x);
  const int top = y(units.y);
  return PixelRect{left, top, x(units.x + units.width) - left, y(units.y + units.height) - top};
}

}  // namespace tk
