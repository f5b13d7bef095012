#include "tools/kxadmin/json_output.h"

#include <iostream>

namespace kxadmin {

std::string base64(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t at = 0;
  for (; at + 3 <= bytes.size(); at += 3) {
    const std::uint32_t n = (std::uint32_t{bytes[at]} << 16) | (std::uint32_t{bytes[at + 1]} << 8) |
                            std::uint32_t{bytes[at + 2]};
    for (int shift : {18, 12, 6, 0}) out += kDigits[(n >> shift) & 0x3F];
  }
  if (const std::size_t left = bytes.size() - at; left > 0) {
    const std::uint32_t n =
        (std::uint32_t{bytes[at]} << 16) | (left == 2 ? std::uint32_t{bytes[at + 1]} << 8 : 0u);
    out += kDigits[(n >> 18) & 0x3F];
    out += kDigits[(n >> 12) & 0x3F];
    out += left == 2 ? kDigits[(n >> 6) & 0x3F] : '=';
    out += '=';
  }
  return out;
}

bool isUtf8(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size()) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 1;
    std::uint32_t value = lead;
    if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      value = lead & 0x07;
    } else if (lead >= 0xE0) {
      length = 3;
      value = lead & 0x0F;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      value = lead & 0x1F;
    } else if (lead >= 0x80) {
      return false;  // a continuation byte first, an overlong lead, or past U+10FFFF
    }
    if (length > text.size() - at) return false;
    for (std::size_t i = 1; i < length; ++i) {
      const auto next = static_cast<unsigned char>(text[at + i]);
      if ((next & 0xC0) != 0x80) return false;
      value = (value << 6) | (next & 0x3F);
    }
    const bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
    if (overlong || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) return false;
    at += length;
  }
  return true;
}

nlohmann::json messageJson(std::int64_t number, const kx::QueueMessage& message) {
  const auto data = message.data();
  nlohmann::json json = {
      {"number", number},
      {"msgId", message.msgId.toHex()},
      {"correlId", message.correlId.toHex()},
      {"msgType", message.msgType},
      {"expiry", message.expiry},
      {"feedback", message.feedback},
      {"ccsid", message.ccsid},
      {"format", message.format},
      {"priority", message.priority},
      {"persistent", message.persistent},
      {"report", message.report},
      {"backoutCount", message.backoutCount},
      {"replyToQ", message.replyToQ},
      {"replyQmgr", message.replyQmgr},
      {"putAppl", message.putAppl},
      {"putApplType", message.putApplType},
      {"putDate", message.putDate},
      {"putTime", message.putTime},
      {"length", message.totalLength()},
      {"data", base64(data)},
  };
  const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
  if (isUtf8(text)) json["text"] = text;
  return json;
}

void printJson(const nlohmann::json& document) {
  std::cout << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

}  // namespace kxadmin
