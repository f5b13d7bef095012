#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The report word of a message descriptor: which reports a message asks its queue manager for,
// what each carries, and how the report's ids are made. And the feedback codes that say which
// report a report message is.
namespace kx::report {

// Confirm on arrival, on delivery, expiration and exception: each a kind, then what it carries.
// A "with data" bit comes with its kind's bit, and "with full data" with both.
inline constexpr std::int32_t kCoa = 0x100;
inline constexpr std::int32_t kCoaWithData = 0x300;
inline constexpr std::int32_t kCoaWithFullData = 0x700;
inline constexpr std::int32_t kCod = 0x800;
inline constexpr std::int32_t kCodWithData = 0x1800;
inline constexpr std::int32_t kCodWithFullData = 0x3800;
inline constexpr std::int32_t kExpiration = 0x200000;
inline constexpr std::int32_t kExpirationWithData = 0x600000;
inline constexpr std::int32_t kExpirationWithFullData = 0xE00000;
inline constexpr std::int32_t kException = 0x1000000;
inline constexpr std::int32_t kExceptionWithData = 0x3000000;
inline constexpr std::int32_t kExceptionWithFullData = 0x7000000;
// For the applications that exchange the message: stored and shown, the store does nothing.
inline constexpr std::int32_t kPan = 0x1;
inline constexpr std::int32_t kNan = 0x2;
// The report's correlation id is the original's correlation id (else its message id), its
// message id the original's (else a new one); a report that cannot be delivered is discarded
// (else it goes to the dead-letter queue).
inline constexpr std::int32_t kPassCorrelId = 0x40;
inline constexpr std::int32_t kPassMsgId = 0x80;
inline constexpr std::int32_t kDiscardMsg = 0x8000000;

// "with data" reports carry this many bytes of the original's data at most.
inline constexpr std::size_t kWithDataBytes = 100;

// The report word that `text` names: a number (decimal, or hexadecimal after 0x), or names
// joined by commas such as "coa,cod-with-data,expiration,pass-msg-id", numbers among them
// adding their bits; nullopt when a name is unknown or a number is out of range.
std::optional<std::int32_t> parseWord(std::string_view text);
// The names of the bits a word holds, joined by commas ("none" for 0); bits no name stands for
// follow as a hexadecimal number.
std::string describeWord(std::int32_t word);

}  // namespace kx::report

// Feedback codes: the descriptor's feedback field of a report message says which report it is.
// An exception report carries the reason code of what failed instead. Their texts are in the
// table of reason texts (reasonName).
namespace kx::feedback {

inline constexpr std::int32_t kNone = 0;
inline constexpr std::int32_t kExpiration = 258;
inline constexpr std::int32_t kCoa = 259;
inline constexpr std::int32_t kCod = 260;
inline constexpr std::int32_t kPan = 275;
inline constexpr std::int32_t kNan = 276;

}  // namespace kx::feedback
