#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/messaging/store/admin_backend.h"
#include "platform/messaging/store/internal.h"

namespace kx::admin::sqlite {

// The administration of queue managers kept in the embedded store: each call opens the queue
// manager's file and makes its change in one transaction there.
class SqliteAdmin final : public AdminBackend {
 public:
  // A new queue manager, stopped, in a private file of the data directory.
  static Status create(std::string_view name);

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

}  // namespace kx::admin::sqlite
