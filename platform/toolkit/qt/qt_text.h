#pragma once

#include <QString>
#include <string_view>

namespace tk {

// The toolkit surface's text is UTF-8.
inline QString fromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace tk
