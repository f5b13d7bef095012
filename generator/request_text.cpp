#include "generator/request_text.h"

#include <array>
#include <cassert>
#include <cstdint>

#include "generator/request_fields.h"

namespace tarnix {
namespace {

// The white space that ends a field: the C locale's.
bool isWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Numbers travel as signed 32-bit decimals: a count of 4294967295 is written -1.
std::string signedDecimal(std::uint32_t value) {
  return std::to_string(static_cast<std::int32_t>(value));
}

// A text field as written. `mustStand`: the field cannot be left empty without the next field
// taking its place.
std::string textField(std::string_view text, bool mustStand) {
  bool plain = !text.empty() || !mustStand;
  for (char c : text) plain = plain && !isWhiteSpace(c) && c != '"';
  if (plain) return std::string(text);
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + '"';
}

// The values of a request's fields by name, written out in their order as their kinds say.
class RequestWriter {
 public:
  void text(RequestField field, std::string_view value) {
    set(field, RequestFieldKind::Text, std::string(value));
  }
  void number(RequestField field, std::uint32_t value) {
    set(field, RequestFieldKind::Number, signedDecimal(value));
  }
  void flag(RequestField field, std::int32_t value) {
    set(field, RequestFieldKind::Flag, value != 0 ? "1" : "0");
  }

  std::string str() const {
    // Written from the last field back: an empty text field can be left out only when nothing
    // stands after it.
    std::array<std::string, kRequestFieldCount> written;
    bool laterStands = false;
    for (std::size_t i = kRequestFieldCount; i-- > 0;) {
      const RequestFieldLayout& layout = kRequestFields[i];
      switch (layout.kind) {
        case RequestFieldKind::Fixed:
          written[i] = layout.fixed;
          break;
        case RequestFieldKind::Text:
          written[i] = textField(values_[i], laterStands);
          break;
        case RequestFieldKind::Number:
        case RequestFieldKind::Flag:
          written[i] = values_[i];
          break;
      }
      laterStands = laterStands || !written[i].empty();
    }
    std::string request;
    for (std::size_t i = 0; i < kRequestFieldCount; ++i) {
      request.append(static_cast<std::size_t>(kRequestFields[i].blanksBefore), ' ');
      request += written[i];
    }
    return request;
  }

 private:
  void set(RequestField field, [[maybe_unused]] RequestFieldKind kind, std::string value) {
    assert(layoutOf(field).kind == kind);
    values_[static_cast<std::size_t>(field)] = std::move(value);
  }

  std::array<std::string, kRequestFieldCount> values_;
};

}  // namespace

std::string buildRequest(const GenerateOptions& o, std::string_view managerName,
                         std::string_view queueName) {
  RequestWriter request;
  request.text(RequestField::Manager, managerName);
  request.text(RequestField::Queue, queueName);
  request.number(RequestField::MessageCount, o.messageCount);
  if (o.randomSleep != 0) {
    request.text(RequestField::SleepOrRandom, "r");
    request.number(RequestField::RandomSleepDivisor, o.sleepMs);
  } else {
    request.text(RequestField::SleepOrRandom, signedDecimal(o.sleepMs));
    request.number(RequestField::RandomSleepDivisor, 0);
  }
  // Any source but random content and another queue travels as a file.
  if (o.source == 'b') {
    request.text(RequestField::Source, "b");
    request.text(RequestField::SourceArgument, signedDecimal(o.randomLength));
  } else if (o.source == 'q') {
    request.text(RequestField::Source, "q");
    request.text(RequestField::SourceArgument, o.sourceQueueName.view());
  } else {
    request.text(RequestField::Source, "f");
    request.text(RequestField::SourceArgument, o.sourceFileName.view());
  }
  request.flag(RequestField::CorrelIdOption, o.correlIdOption);
  request.flag(RequestField::Persistence, o.persistentOption);
  request.number(RequestField::ReportOptions, o.reportOptions);
  request.flag(RequestField::PreserveMsgId, o.preserveMsgId);
  request.flag(RequestField::PreserveCorrelId, o.preserveCorrelId);
  request.number(RequestField::Expiry, o.expiryTenths);
  request.text(RequestField::ReplyToQueue, o.replyToQueueName.view());
  request.text(RequestField::ReplyToQmgr, o.replyToQmgrName.view());
  return request.str();
}

std::vector<std::string> splitRequest(std::string_view request) {
  std::vector<std::string> fields;
  std::size_t at = 0;
  while (true) {
    while (at < request.size() && isWhiteSpace(request[at])) ++at;
    if (at == request.size()) return fields;
    std::string field;
    while (at < request.size() && !isWhiteSpace(request[at])) {
      if (request[at] != '"') {
        field += request[at++];
        continue;
      }
      // A quoted stretch, blanks included, up to its closing quote or the end of the text.
      for (++at; at < request.size() && request[at] != '"'; ++at) {
        const bool escape = request[at] == '\\' && at + 1 < request.size() &&
                            (request[at + 1] == '"' || request[at + 1] == '\\');
        if (escape) ++at;
        field += request[at];
      }
      if (at < request.size()) ++at;  // the closing quote
    }
    fields.push_back(std::move(field));
  }
}

}  // namespace tarnix
