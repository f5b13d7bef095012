#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tk {

// Where the UTF-8 character that starts at byte `at` of `text` ends: past its continuation bytes.
std::size_t utf8CharEnd(std::string_view text, std::size_t at);

// The first `maxChars` characters of UTF-8 text, never cutting a character in two.
std::string utf8Prefix(std::string_view text, std::size_t maxChars);

}  // namespace tk
