#pragma once

#include "platform/toolkit/dialog_template.h"

namespace tk {

// Pixel rectangles, for the backends that place real windows.
struct PixelRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// Window sizes that the logic gives in pixels are outer sizes in the pixels of the host the
// templates were drawn for: its dialog font's average character is 6 by 13 pixels, and its
// caption and sizing frame add 26 pixels down and 8 across.
inline constexpr int kHostCharWidth = 6;
inline constexpr int kHostCharHeight = 13;
inline constexpr int kHostFrameWidth = 8;
inline constexpr int kHostFrameHeight = 26;

// The outer height in the host's pixels of a window whose client area is `units` dialog units
// tall.
int hostOuterHeight(int units);

// Turns dialog units into pixels by the dialog font's metrics: x = units × average character
// width / 4, y = units × character height / 8, each rounded to the nearest pixel.
class DialogUnits {
 public:
  DialogUnits(double averageCharWidth, double charHeight)
      : charWidth_(averageCharWidth), charHeight_(charHeight) {}

  double charWidth() const { return charWidth_; }
  double charHeight() const { return charHeight_; }
  int x(int units) const;
  int y(int units) const;
  // Each edge is mapped on its own, so that controls that touch in units touch in pixels.
  PixelRect rect(const Rect& units) const;
  // The client area, in these pixels, of a window whose outer size in the host's pixels is
  // given: the host's frame comes off, and the rest goes through the host's dialog units, so
  // that the controls the host showed whole show whole here, whatever frame this desktop draws.
  int clientWidth(int hostOuterWidth) const;
  int clientHeight(int hostOuterHeight) const;

 private:
  double charWidth_;
  double charHeight_;
};

}  // namespace tk
