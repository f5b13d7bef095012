#include "generator/request_text.h"

#include <cstdint>

namespace tarnix {
namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Numbers travel as signed 32-bit decimals: a count of 4294967295 is written -1.
std::string number(std::uint32_t value) { return std::to_string(static_cast<std::int32_t>(value)); }

// A name as a field. `mustStand`: the field cannot be left empty without the next field taking
// its place.
std::string nameField(std::string_view name, bool mustStand) {
  bool plain = !name.empty() || !mustStand;
  for (char c : name) plain = plain && !isBlank(c) && c != '"';
  if (plain) return std::string(name);
  std::string quoted = "\"";
  for (char c : name) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + '"';
}

std::string flagText(std::int32_t flag) { return flag != 0 ? "1" : "0"; }

}  // namespace

std::string buildRequest(const GenerateOptions& o, std::string_view managerName,
                         std::string_view queueName) {
  std::string request = "pz.exe ";
  request += nameField(managerName, true);
  request += ' ';
  request += nameField(queueName, true);
  request += ' ';
  request += number(o.messageCount);
  request += ' ';
  request += o.randomSleep != 0 ? "r " + number(o.sleepMs) : number(o.sleepMs) + " 0";
  request += ' ';
  if (o.source == 'b') {
    request += " b " + number(o.randomLength);
  } else if (o.source == 'q') {
    request += " q " + nameField(o.sourceQueueName.view(), true);
  } else {
    request += " f " + nameField(o.sourceFileName.view(), true);
  }
  request += ' ' + flagText(o.correlIdOption);
  request += ' ' + flagText(o.persistentOption) + ' ';
  request += number(o.reportOptions);
  request += " 0 0 0 ";
  request += flagText(o.preserveMsgId) + ' ';
  request += flagText(o.preserveCorrelId) + ' ';
  request += number(o.expiryTenths);
  // An empty reply-to queue can only be left out when nothing follows it.
  request += ' ' + nameField(o.replyToQueueName.view(), !o.replyToQmgrName.empty());
  request += ' ' + nameField(o.replyToQmgrName.view(), false);
  return request;
}

std::vector<std::string> splitRequest(std::string_view request) {
  std::vector<std::string> fields;
  std::size_t at = 0;
  while (true) {
    while (at < request.size() && isBlank(request[at])) ++at;
    if (at == request.size()) return fields;
    std::string field;
    while (at < request.size() && !isBlank(request[at])) {
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
