#include "platform/toolkit/number_text.h"

#include <charconv>
#include <limits>

namespace tk {
namespace {

bool isSpaceOrTab(char c) { return c == ' ' || c == '\t'; }

std::string_view trimSpacesAndTabs(std::string_view text) {
  while (!text.empty() && isSpaceOrTab(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpaceOrTab(text.back())) text.remove_suffix(1);
  return text;
}

// The magnitude of a run of decimal digits; nullopt when there are none, when anything else is
// mixed in, or when it does not fit 64 bits (far beyond either target type).
std::optional<std::uint64_t> parseDigits(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  std::uint64_t value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

}  // namespace

std::optional<std::int32_t> parseSigned(std::string_view text) {
  text = trimSpacesAndTabs(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  std::optional<std::uint64_t> magnitude = parseDigits(text);
  if (!magnitude) return std::nullopt;
  // The negative range reaches one further than the positive one.
  constexpr std::uint64_t kMaxPositive = std::numeric_limits<std::int32_t>::max();
  if (*magnitude > kMaxPositive + (negative ? 1 : 0)) return std::nullopt;
  auto wide = static_cast<std::int64_t>(*magnitude);
  return static_cast<std::int32_t>(negative ? -wide : wide);
}

std::optional<std::uint32_t> parseUnsigned(std::string_view text) {
  std::optional<std::uint64_t> magnitude = parseDigits(trimSpacesAndTabs(text));
  if (!magnitude || *magnitude > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  return static_cast<std::uint32_t>(*magnitude);
}

}  // namespace tk
