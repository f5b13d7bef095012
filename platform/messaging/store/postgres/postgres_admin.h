#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/messaging/store/admin_backend.h"
#include "platform/messaging/store/internal.h"

namespace kx::admin::postgres {

// The administration of queue managers kept in PostgreSQL: each call opens its own connection to
// the database the queue manager's record names and makes its change in one transaction there.
class PostgresAdmin final : public AdminBackend {
 public:
  // A new queue manager (stopped) in the database `conninfo` names, and its record here.
  static Status create(std::string_view name, const std::string& conninfo);
  // Records here a queue manager that already lives in that database.
  static Status attach(std::string_view name, const std::string& conninfo);

  Status deleteQueueManager(std::string_view name, bool force) override;
  Status startQueueManager(std::string_view name) override;
  Status stopQueueManager(std::string_view name) override;
  Status checkQueueManager(std::string_view name, CheckReport& report) override;
  Status setDeadLetterQueue(std::string_view manager, std::string_view queue) override;
  Status salvageQueueManager(std::string_view name, SalvageReport& report) override;
  Status detachQueueManager(std::string_view name) override;
  Status checkDefaultable(std::string_view name, std::string_view kept) override;
  void describe(std::string_view name, ManagerInfo& info) override;
  std::string explainFailure(std::string_view manager, ReasonCode why) override;

  Status defineLocalQueue(std::string_view manager, std::string_view queue,
                          std::int32_t maxDepth) override;
  Status defineAliasQueue(std::string_view manager, std::string_view alias,
                          std::string_view target) override;
  Status alterMaxDepth(std::string_view manager, std::string_view queue,
                       std::int32_t maxDepth) override;
  Status deleteQueue(std::string_view manager, std::string_view queue, bool purge) override;
  Status listQueues(std::string_view manager, std::vector<QueueInfo>& queues) override;
  Status purgeQueue(std::string_view manager, std::string_view queue,
                    std::int64_t& removed) override;
  Status loadMessages(std::string_view manager, std::string_view queue, std::int64_t count,
                      std::span<const std::uint8_t> data, bool persistent) override;
};

}  // namespace kx::admin::postgres
