#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kx {

// A 24-byte message or correlation identifier, or none.
class MessageId24 {
 public:
  static constexpr std::size_t kSize = 24;
  using Bytes = std::array<std::uint8_t, kSize>;

  MessageId24() = default;  // none
  explicit MessageId24(const Bytes& bytes) : bytes_(bytes), set_(true) {}

  static MessageId24 none() { return {}; }
  // 48 hex digits (either case); nullopt for anything else.
  static std::optional<MessageId24> fromHex(std::string_view hex);
  // Exactly 24 bytes, as a store keeps them; nullopt for any other length.
  static std::optional<MessageId24> fromBytes(std::span<const std::uint8_t> bytes);
  // Text of up to 24 bytes, zero-padded on the right (how operators type ids).
  static std::optional<MessageId24> fromText(std::string_view text);

  bool isNone() const { return !set_; }
  void reset() { *this = MessageId24(); }
  // The bytes; all zero when none.
  const Bytes& bytes() const { return bytes_; }
  // 48 upper-case hex digits; 48 zeros when none.
  std::string toHex() const;

  friend bool operator==(const MessageId24&, const MessageId24&) = default;

 private:
  Bytes bytes_{};
  bool set_ = false;
};

}  // namespace kx
