#include "tools/kxadmin/report_fields.h"

#include "platform/messaging/reason_codes.h"
#include "platform/messaging/report_word.h"
#include "tools/kxadmin/report.h"

namespace kxadmin {

std::string messageTypeName(std::int32_t type) {
  switch (type) {
    case kx::msgtype::kRequest:
      return "Request";
    case kx::msgtype::kReply:
      return "Reply";
    case kx::msgtype::kReport:
      return "Report";
    case kx::msgtype::kDatagram:
      return "Datagram";
    default:
      return std::to_string(type);
  }
}

std::optional<kx::dead_letter::Header> deadLetterHeaderOf(const kx::QueueMessage& message) {
  if (message.format != kx::dead_letter::kFormat) return std::nullopt;
  return kx::dead_letter::read(message.data());
}

std::string reportFieldsText(const kx::QueueMessage& message,
                             const std::optional<kx::dead_letter::Header>& header) {
  if (message.msgType == kx::msgtype::kDatagram && message.feedback == kx::feedback::kNone &&
      message.report == 0 && !header) {
    return {};
  }
  std::string text = " type=" + messageTypeName(message.msgType);
  if (message.feedback != kx::feedback::kNone) {
    text += " feedback=" + std::to_string(message.feedback) + " (" +
            kx::reasonName(message.feedback) + ")";
  }
  if (message.report != 0) text += " report=" + kx::report::describeWord(message.report);
  if (header) {
    text += " dead-letter-reason=" + std::to_string(header->reason) + " (" +
            kx::reasonName(header->reason) + ") destination=\"" + printable(header->queue) +
            "\" destination-qmgr=\"" + printable(header->manager) + "\" original-format=\"" +
            printable(header->format) + "\" dead-lettered=" + printable(header->putDate) + ' ' +
            printable(header->putTime);
  }
  return text;
}

void addReportFields(nlohmann::json& json, const kx::QueueMessage& message,
                     const std::optional<kx::dead_letter::Header>& header) {
  json["msgTypeName"] = messageTypeName(message.msgType);
  if (message.feedback != kx::feedback::kNone) {
    json["feedbackName"] = kx::reasonName(message.feedback);
  }
  json["reportNames"] = kx::report::describeWord(message.report);
  if (header) {
    json["deadLetterHeader"] = {
        {"reason", header->reason},  {"reasonName", kx::reasonName(header->reason)},
        {"queue", header->queue},    {"queueManager", header->manager},
        {"format", header->format},  {"putDate", header->putDate},
        {"putTime", header->putTime}};
  }
}

}  // namespace kxadmin
