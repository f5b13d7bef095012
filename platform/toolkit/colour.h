#pragma once

#include <cstdint>
#include <optional>

namespace tk {

struct Colour {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  friend bool operator==(const Colour&, const Colour&) = default;
};

// What kind of control asks for its colours before it is painted.
enum class ColourKind {
  MessageBox = 0,
  Edit = 1,
  ListBox = 2,
  Button = 3,
  Dialog = 4,
  ScrollBar = 5,
  Static = 6,
};

// The drawing context a colour query fills in: colours the dialog leaves unset keep the
// toolkit's own.
struct ColourContext {
  std::optional<Colour> textColour;
  std::optional<Colour> textBackground;
  void setTextColour(Colour c) { textColour = c; }
  void setTextBackground(Colour c) { textBackground = c; }
};

// The answer to one colour query: the context's colours and the brush for the rest of the
// control. No brush means the toolkit's default handling.
struct ColourAnswer {
  std::optional<Colour> textColour;
  std::optional<Colour> textBackground;
  std::optional<Colour> brush;
};

}  // namespace tk
