#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/messaging/reason_codes.h"

// The header a message carries on a dead-letter queue: why it could not be put where it was
// going, where that was, its own format, and when it was put aside. It comes first in the
// message's data, as one line of fixed-width text, so that any browser shows it and a program
// can take it off; the message's format says that it is there.
namespace kx::dead_letter {

// The format of a message that starts with the header.
inline constexpr const char* kFormat = "KXDEAD  ";

struct Header {
  ReasonCode reason = reason::kNone;
  std::string queue;    // the destination it could not be put on
  std::string manager;  // and that destination's queue manager
  std::string format;   // the message's own format, blank-padded to its width
  std::string putDate;  // when it was put aside: "YYYYMMDD"
  std::string putTime;  // "HHMMSSTH", UTC
};

// The header's length in bytes: every header has it.
std::size_t headerLength();
// The header as the text that goes before the message's data.
std::string write(const Header& header);
// The header at the start of `data`, if it starts with one.
std::optional<Header> read(std::span<const std::uint8_t> data);

}  // namespace kx::dead_letter
