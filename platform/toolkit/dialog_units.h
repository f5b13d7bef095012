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

// Window sizes that the logic gives in pixels are the pixels of the host the templates were
// drawn for: 6 pixels to an average character, and 25 pixels to a row of 15 dialog units (the
// logic's own pitch of the monitor's queue rows), so 40 pixels to three character heights.
inline constexpr int kHostCharWidth = 6;
inline constexpr int kHostPixelsPer3CharHeights = 40;

// Turns dialog units into pixels by the dialog font's metrics: x = units × average character
// width / 4, y = units × character height / 8, each rounded to the nearest pixel.
class DialogUnits {
 public:
  DialogUnits(int averageCharWidth, int charHeight)
      : charWidth_(averageCharWidth), charHeight_(charHeight) {}

  int charWidth() const { return charWidth_; }
  int charHeight() const { return charHeight_; }
  int x(int units) const;
  int y(int units) const;
  // Each edge is mapped on its own, so that controls that touch in units touch in pixels.
  PixelRect rect(const Rect& units) const;
  // A window size in the host's pixels, scaled by the same factor as the dialog units, so that
  // a window sized to show some rows of controls shows the same rows here.
  int hostWidth(int pixels) const;
  int hostHeight(int pixels) const;

 private:
  int charWidth_;
  int charHeight_;
};

}  // namespace tk
