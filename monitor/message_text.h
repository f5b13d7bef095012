#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tarnix {

// How the browser shows a message's data and descriptor fields.

// Each byte as two upper-case hex digits and a blank, the last byte too.
std::string hexBytes(std::span<const std::uint8_t> bytes);
// The bytes as text, up to the first zero byte.
std::string textBytes(std::span<const std::uint8_t> bytes);
// The label of a message type; "Unknown" for types without one.
std::string messageTypeLabel(std::int32_t type);
// The label of a put-application type; "Unknown" for -1, the number for types without one.
std::string putApplTypeLabel(std::int32_t type);
// "HHMMSSTH" as "HH:MM:SS TH". A shorter time stops just before the first place it does not
// fill.
std::string putTimeText(std::string_view putTime);

}  // namespace tarnix
