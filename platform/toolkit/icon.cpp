#include "platform/toolkit/icon.h"

#include <algorithm>

namespace tk {

Icon iconFromRows(std::initializer_list<std::string_view> rows,
                  std::initializer_list<PaletteEntry> palette) {
  Icon icon;
  icon.height = static_cast<int>(rows.size());
  for (std::string_view row : rows) icon.width = std::max(icon.width, static_cast<int>(row.size()));
  // Short rows and unknown letters stay transparent.
  icon.pixels.assign(static_cast<std::size_t>(icon.width) * rows.size(), 0u);
  std::size_t rowStart = 0;
  for (std::string_view row : rows) {
    for (std::size_t column = 0; column < row.size(); ++column) {
      auto entry = std::find_if(palette.begin(), palette.end(),
                                [&](const PaletteEntry& p) { return p.key == row[column]; });
      if (entry != palette.end()) icon.pixels[rowStart + column] = entry->argb;
    }
    rowStart += static_cast<std::size_t>(icon.width);
  }
  return icon;
}

}  // namespace tk
