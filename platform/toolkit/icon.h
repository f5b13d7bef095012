#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace tk {

// An icon image as 0xAARRGGBB pixels, row by row.
struct Icon {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};

// Builds an icon from rows of palette letters: each character of a row is a key of `palette`
// (pairs of letter and 0xAARRGGBB colour); unknown letters are transparent.
struct PaletteEntry {
  char key;
  std::uint32_t argb;
};
Icon iconFromRows(std::initializer_list<std::string_view> rows,
                  std::initializer_list<PaletteEntry> palette);

}  // namespace tk
