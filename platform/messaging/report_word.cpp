#include "platform/messaging/report_word.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>

namespace kx::report {
namespace {

struct WordName {
  const char* name;
  std::int32_t bits;
};

// Longest first within each kind, so that describing a word names each kind once.
constexpr std::array kNames = std::to_array<WordName>({
    {"coa-with-full-data", kCoaWithFullData},
    {"coa-with-data", kCoaWithData},
    {"coa", kCoa},
    {"cod-with-full-data", kCodWithFullData},
    {"cod-with-data", kCodWithData},
    {"cod", kCod},
    {"expiration-with-full-data", kExpirationWithFullData},
    {"expiration-with-data", kExpirationWithData},
    {"expiration", kExpiration},
    {"exception-with-full-data", kExceptionWithFullData},
    {"exception-with-data", kExceptionWithData},
    {"exception", kException},
    {"pan", kPan},
    {"nan", kNan},
    {"pass-msg-id", kPassMsgId},
    {"pass-correl-id", kPassCorrelId},
    {"discard-msg", kDiscardMsg},
});

std::optional<std::int32_t> parseNumber(std::string_view text) {
  int base = 10;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    text.remove_prefix(2);
    base = 16;
  }
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  if (base == 10 && value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

// The bits of one name, or of a number standing among the names.
std::optional<std::int32_t> bitsOf(std::string_view name) {
  if (!name.empty() && name.front() >= '0' && name.front() <= '9') return parseNumber(name);
  const auto* found = std::find_if(kNames.begin(), kNames.end(),
                                   [name](const WordName& row) { return name == row.name; });
  if (found == kNames.end()) return std::nullopt;
  return found->bits;
}

}  // namespace

std::optional<std::int32_t> parseWord(std::string_view text) {
  if (text == "none") return 0;
  // Names and numbers may be mixed, so that what describeWord writes reads back.
  std::int32_t word = 0;
  while (true) {
    const std::size_t comma = text.find(',');
    const std::optional<std::int32_t> bits = bitsOf(text.substr(0, comma));
    if (!bits) return std::nullopt;
    word |= *bits;
    if (comma == std::string_view::npos) return word;
    text.remove_prefix(comma + 1);
  }
}

std::string describeWord(std::int32_t word) {
  if (word == 0) return "none";
  std::string names;
  auto left = static_cast<std::uint32_t>(word);
  for (const WordName& row : kNames) {
    const auto bits = static_cast<std::uint32_t>(row.bits);
    if ((left & bits) != bits) continue;
    if (!names.empty()) names += ',';
    names += row.name;
    left &= ~bits;
  }
  if (left != 0) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%X", left);
    if (!names.empty()) names += ',';
    names += hex;
  }
  return names;
}

}  // namespace kx::report
