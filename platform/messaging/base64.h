#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kx {

// Standard base64 (RFC 4648, "+/" alphabet) with padding.
std::string toBase64(std::span<const std::uint8_t> bytes);
// The bytes of canonical padded base64: a length that is a multiple of four, no white space,
// "=" only as the last one or two characters, and no stray bits in the last digit. Anything else
// gives nullopt rather than a guess at the bytes.
std::optional<std::vector<std::uint8_t>> fromBase64(std::string_view text);

}  // namespace kx
