#include "platform/messaging/message_line.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "platform/messaging/base64.h"
#include "platform/messaging/message_fields.h"

namespace kx {
namespace {

constexpr const char* kDataMember = "data";
constexpr const char* kLengthMember = "length";
constexpr const char* kTextMember = "text";

std::string_view viewOf(std::span<const std::uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

std::string inQuotes(std::string_view name) { return "'" + std::string(name) + "'"; }

// Reads one field's value onto `message`; gives what is wrong with it, or "".
std::string readField(const MessageField& field, const nlohmann::json& value,
                      QueueMessage& message) {
  switch (field.kind) {
    case FieldKind::kNumber:
    case FieldKind::kFlag: {
      if (!value.is_number_integer()) return inQuotes(field.name) + " is not an integer";
      const bool fits =
          value.is_number_unsigned()
              ? value.get<std::uint64_t>() <=
                    std::uint64_t{std::numeric_limits<std::int32_t>::max()}
              : value.get<std::int64_t>() >= std::numeric_limits<std::int32_t>::min() &&
                    value.get<std::int64_t>() <= std::numeric_limits<std::int32_t>::max();
      if (!fits) return inQuotes(field.name) + " is out of the 32-bit range";
      message.*field.number = static_cast<std::int32_t>(value.get<std::int64_t>());
      return "";
    }
    case FieldKind::kText: {
      if (!value.is_string()) return inQuotes(field.name) + " is not a text";
      const auto& text = value.get_ref<const std::string&>();
      if (text.size() > field.width) {
        return inQuotes(field.name) + " is longer than " + std::to_string(field.width) + " bytes";
      }
      message.*field.text = text;
      return "";
    }
    case FieldKind::kId: {
      if (value.is_null()) {
        message.*field.id = MessageId24::none();
        return "";
      }
      const auto id = value.is_string() ? MessageId24::fromHex(value.get_ref<const std::string&>())
                                        : std::nullopt;
      if (!id) return inQuotes(field.name) + " is neither 48 hex digits (24 bytes) nor null";
      message.*field.id = *id;
      return "";
    }
  }
  return "";
}

}  // namespace

bool isUtf8(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size()) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) {
      ++at;
      continue;
    }
    std::size_t length = 0;
    std::uint32_t value = 0;
    if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      value = lead & 0x07;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      value = lead & 0x0F;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      value = lead & 0x1F;
    } else {
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

nlohmann::json messageJson(const QueueMessage& message) {
  nlohmann::json json = nlohmann::json::object();
  for (const MessageField& field : kMessageFields) {
    const std::string name(field.name);
    switch (field.kind) {
      case FieldKind::kNumber:
      case FieldKind::kFlag:
        json[name] = message.*field.number;
        break;
      case FieldKind::kText:
        json[name] = message.*field.text;
        break;
      case FieldKind::kId: {
        const MessageId24& id = message.*field.id;
        json[name] = id.isNone() ? nlohmann::json(nullptr) : nlohmann::json(id.toHex());
        break;
      }
    }
  }
  const auto data = message.data();
  json[kLengthMember] = message.totalLength();
  json[kDataMember] = toBase64(data);
  if (isUtf8(viewOf(data))) json[kTextMember] = viewOf(data);
  return json;
}

std::string messageLine(const QueueMessage& message) { return messageJson(message).dump(); }

std::string readMessageLine(std::string_view line, QueueMessage& message) {
  nlohmann::json json;
  try {
    json = nlohmann::json::parse(line);
  } catch (const nlohmann::json::parse_error& error) {
    // The parser's words without its "[json.exception.parse_error.101] " tag.
    const std::string_view words = error.what();
    const std::size_t tag = words.find("] ");
    return "not JSON: " +
           std::string(tag == std::string_view::npos ? words : words.substr(tag + 2));
  }
  if (!json.is_object()) return "not a JSON object";

  QueueMessage read;
  for (const MessageField& field : kMessageFields) {
    const auto value = json.find(std::string(field.name));
    if (value == json.end()) return "the field " + inQuotes(field.name) + " is missing";
    if (std::string problem = readField(field, *value, read); !problem.empty()) return problem;
  }
  const auto data = json.find(kDataMember);
  if (data == json.end()) return "the field 'data' is missing";
  if (!data->is_string()) return "'data' is not a text";
  const auto& encoded = data->get_ref<const std::string&>();
  if (encoded.size() / 4 * 3 > kMaxMessageLength + 2) {
    return "'data' holds more than the largest message (" + std::to_string(kMaxMessageLength) +
           " bytes)";
  }
  std::optional<std::vector<std::uint8_t>> bytes = fromBase64(encoded);
  if (!bytes) return "'data' is not base64";
  if (bytes->size() > kMaxMessageLength) {
    return "'data' holds more than the largest message (" + std::to_string(kMaxMessageLength) +
           " bytes)";
  }
  if (const auto length = json.find(kLengthMember); length != json.end()) {
    if (!length->is_number_unsigned() || length->get<std::uint64_t>() != bytes->size()) {
      return "'length' is not the length of 'data' (" + std::to_string(bytes->size()) + ")";
    }
  }
  if (const auto text = json.find(kTextMember); text != json.end()) {
    if (!text->is_string() || text->get_ref<const std::string&>() != viewOf(*bytes)) {
      return "'text' is not the text of 'data'";
    }
  }
  for (const auto& member : json.items()) {
    const std::string& name = member.key();
    bool known = name == kDataMember || name == kLengthMember || name == kTextMember;
    known = known || messageField(name) != nullptr;
    if (!known) return "unknown field " + inQuotes(name);
  }
  read.setData(bytes->data(), bytes->size());
  message = std::move(read);
  return "";
}

}  // namespace kx
