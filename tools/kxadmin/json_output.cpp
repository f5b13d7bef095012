#include "tools/kxadmin/json_output.h"

#include <iostream>

#include "platform/messaging/message_line.h"
#include "tools/kxadmin/report_fields.h"

namespace kxadmin {

nlohmann::json messageJson(std::int64_t number, const kx::QueueMessage& message) {
  nlohmann::json json = kx::messageJson(message);
  json["number"] = number;
  addReportFields(json, message, deadLetterHeaderOf(message));
  return json;
}

void printJson(const nlohmann::json& document) {
  std::cout << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

}  // namespace kxadmin
