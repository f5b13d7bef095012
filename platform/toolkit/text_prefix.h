#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tk {

// The first `maxChars` characters of UTF-8 text, never cutting a character in two.
std::string utf8Prefix(std::string_view text, std::size_t maxChars);

}  // namespace tk
