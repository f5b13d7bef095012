#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/messaging/store/internal.h"
#include "platform/messaging/store_admin.h"

namespace kx::admin {

// The administration of the queue managers one kind of store keeps, behind store_admin.h: the
// public functions choose the implementation once, by what the name resolves to, and guard every
// call. Each function still checks the names it is given and refuses what it cannot do.
class AdminBackend {
 public:
  virtual ~AdminBackend() = default;

  virtual Status deleteQueueManager(std::string_view name, bool force) = 0;
  virtual Status startQueueManager(std::string_view name) = 0;
  virtual Status stopQueueManager(std::string_view name) = 0;
  virtual Status checkQueueManager(std::string_view name, CheckReport& report) = 0;
  virtual Status setDeadLetterQueue(std::string_view manager, std::string_view queue) = 0;
  virtual Status salvageQueueManager(std::string_view name, SalvageReport& report) = 0;
  // Forgets this machine's record of a queue manager that lives elsewhere.
  virtual Status detachQueueManager(std::string_view name) = 0;
  // Whether the queue manager can be marked as the default: it exists and can be used.
  virtual Status checkDefaultable(std::string_view name, std::string_view kept) = 0;
  // Whether a listed queue manager runs, or why it cannot be used.
  virtual void describe(std::string_view name, ManagerInfo& info) = 0;
  virtual std::string explainFailure(std::string_view manager, ReasonCode why) = 0;

  virtual Status defineLocalQueue(std::string_view manager, std::string_view queue,
                                  std::int32_t maxDepth) = 0;
  virtual Status defineAliasQueue(std::string_view manager, std::string_view alias,
                                  std::string_view target) = 0;
  virtual Status alterMaxDepth(std::string_view manager, std::string_view queue,
                               std::int32_t maxDepth) = 0;
  virtual Status deleteQueue(std::string_view manager, std::string_view queue, bool purge) = 0;
  virtual Status listQueues(std::string_view manager, std::vector<QueueInfo>& queues) = 0;
  virtual Status purgeQueue(std::string_view manager, std::string_view queue,
                            std::int64_t& removed) = 0;
  virtual Status loadMessages(std::string_view manager, std::string_view queue, std::int64_t count,
                              std::span<const std::uint8_t> data, bool persistent) = 0;
};

}  // namespace kx::admin
