#include "platform/messaging/message_id.h"

#include <algorithm>

namespace kx {
namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<MessageId24> MessageId24::fromHex(std::string_view hex) {
  if (hex.size() != 2 * kSize) return std::nullopt;
  Bytes bytes{};
  for (std::size_t i = 0; i < kSize; ++i) {
    const int high = hexValue(hex[2 * i]);
    const int low = hexValue(hex[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes[i] = static_cast<std::uint8_t>(high * 16 + low);
  }
  return MessageId24(bytes);
}

std::optional<MessageId24> MessageId24::fromBytes(std::span<const std::uint8_t> bytes) {
  if (bytes.size() != kSize) return std::nullopt;
  Bytes copy{};
  std::copy(bytes.begin(), bytes.end(), copy.begin());
  return MessageId24(copy);
}

std::optional<MessageId24> MessageId24::fromText(std::string_view text) {
  if (text.size() > kSize) return std::nullopt;
  Bytes bytes{};
  for (std::size_t i = 0; i < text.size(); ++i) bytes[i] = static_cast<std::uint8_t>(text[i]);
  return MessageId24(bytes);
}

std::string MessageId24::toHex() const {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex(2 * kSize, '0');
  for (std::size_t i = 0; i < kSize; ++i) {
    hex[2 * i] = kDigits[bytes_[i] >> 4];
    hex[2 * i + 1] = kDigits[bytes_[i] & 0xF];
  }
  return hex;
}

}  // namespace kx
