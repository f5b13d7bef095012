#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tk {

// Reads a control's text as a number: optional blanks, an optional sign (signed only), decimal
// digits, optional blanks, and a value that fits the type. Anything else gives nullopt.
std::optional<std::int32_t> parseSigned(std::string_view text);
std::optional<std::uint32_t> parseUnsigned(std::string_view text);

}  // namespace tk
