#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "platform/messaging/queue.h"
#include "platform/messaging/queue_manager.h"

namespace kxadmin {

// put, browse, get: through the client classes, so the queue manager must be running.
void addMessageCommands(CLI::App& app, int& status);

// Connects `manager` to `managerName` and binds `queue` to `queueName`. On failure prints why,
// ending with `keptWhat` (what the command kept, or ""), sets `status` and gives false.
bool connectQueue(kx::IkxQueueManager& manager, kx::IkxQueue& queue, const std::string& managerName,
                  const std::string& queueName, int& status, const char* keptWhat);

// What went wrong, naming the file to fix when the failure lies in the store's files.
std::string failureText(const kx::IkxQueueManager& manager, kx::ReasonCode why);

}  // namespace kxadmin
