#include "platform/messaging/base64.h"

#include <array>

namespace kx {
namespace {

constexpr char kBase64Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The value of each base64 digit; -1 for every other byte.
constexpr std::array<std::int8_t, 256> kBase64Values = [] {
  std::array<std::int8_t, 256> values{};
  values.fill(-1);
  for (int i = 0; i < 64; ++i)
    values[static_cast<unsigned char>(kBase64Digits[i])] = std::int8_t(i);
  return values;
}();

}  // namespace

std::string toBase64(std::span<const std::uint8_t> bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t at = 0;
  for (; at + 3 <= bytes.size(); at += 3) {
    const std::uint32_t n = (std::uint32_t{bytes[at]} << 16) | (std::uint32_t{bytes[at + 1]} << 8) |
                            std::uint32_t{bytes[at + 2]};
    for (int shift : {18, 12, 6, 0}) out += kBase64Digits[(n >> shift) & 0x3F];
  }
  if (const std::size_t left = bytes.size() - at; left > 0) {
    const std::uint32_t n =
        (std::uint32_t{bytes[at]} << 16) | (left == 2 ? std::uint32_t{bytes[at + 1]} << 8 : 0u);
    out += kBase64Digits[(n >> 18) & 0x3F];
    out += kBase64Digits[(n >> 12) & 0x3F];
    out += left == 2 ? kBase64Digits[(n >> 6) & 0x3F] : '=';
    out += '=';
  }
  return out;
}

std::optional<std::vector<std::uint8_t>> fromBase64(std::string_view text) {
  if (text.size() % 4 != 0) return std::nullopt;
  std::size_t padding = 0;
  if (!text.empty() && text.back() == '=') padding = text[text.size() - 2] == '=' ? 2 : 1;
  std::vector<std::uint8_t> bytes;
  bytes.reserve(text.size() / 4 * 3);
  for (std::size_t at = 0; at < text.size(); at += 4) {
    const bool last = at + 4 == text.size();
    const std::size_t digits = last ? 4 - padding : 4;
    std::uint32_t n = 0;
    for (std::size_t i = 0; i < 4; ++i) {
      std::int8_t value = 0;
      if (i < digits) {
        value = kBase64Values[static_cast<unsigned char>(text[at + i])];
        if (value < 0) return std::nullopt;  // "=" in the middle lands here too
      }
      n = (n << 6) | static_cast<std::uint32_t>(value);
    }
    // The bits past the last whole byte must be zero, so that each byte string has one form.
    if ((digits == 2 && (n & 0xFFFF) != 0) || (digits == 3 && (n & 0xFF) != 0)) {
      return std::nullopt;
    }
    bytes.push_back(static_cast<std::uint8_t>(n >> 16));
    if (digits >= 3) bytes.push_back(static_cast<std::uint8_t>(n >> 8));
    if (digits == 4) bytes.push_back(static_cast<std::uint8_t>(n));
  }
  return bytes;
}

}  // namespace kx
