#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "generator/generate_options.h"

namespace tarnix {

// The text of one generator run: a program word and eighteen blank-separated fields, as
// request_fields.h lists them, built from the options, the queue manager's name and the target
// queue's name. A field that the plain form
// cannot carry (an empty name where one must stand, a name holding white space or a double
// quote, an empty reply-to queue before a reply-to queue manager) is written between double
// quotes, with \" and \\ inside; every other request is written exactly as the plain form has it.
std::string buildRequest(const GenerateOptions& options, std::string_view managerName,
                         std::string_view queueName);

// The fields of a request: split at runs of white space, a quoted field read back whole.
std::vector<std::string> splitRequest(std::string_view request);

}  // namespace tarnix
