#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/messaging/store/internal.h"
#include "platform/messaging/store_admin.h"

// The administration of each kind of store, behind store_admin.h: the public functions check the
// names and choose by what keeps the queue manager. Names reach these already validated as far as
// the public function checks them; each function still refuses what it cannot do.
namespace kx::admin {

namespace embedded {
Status createQueueManager(std::string_view name);
Status deleteQueueManager(std::string_view name, bool force);
Status startQueueManager(std::string_view name);
Status stopQueueManager(std::string_view name);
Status checkQueueManager(std::string_view name, CheckReport& report);
Status salvageQueueManager(std::string_view name, SalvageReport& report);
// Whether a listed queue manager runs, or cannot be read.
void describe(std::string_view name, ManagerInfo& info);
std::string explainFailure(std::string_view manager, ReasonCode why);
Status defineLocalQueue(std::string_view manager, std::string_view queue, std::int32_t maxDepth);
Status defineAliasQueue(std::string_view manager, std::string_view alias, std::string_view target);
Status alterMaxDepth(std::string_view manager, std::string_view queue, std::int32_t maxDepth);
Status deleteQueue(std::string_view manager, std::string_view queue, bool purge);
Status listQueues(std::string_view manager, std::vector<QueueInfo>& queues);
Status purgeQueue(std::string_view manager, std::string_view queue, std::int64_t& removed);
Status loadMessages(std::string_view manager, std::string_view queue, std::int64_t count,
                    std::span<const std::uint8_t> data, bool persistent);
}  // namespace embedded

namespace postgres {
Status createQueueManager(std::string_view name, const std::string& conninfo);
Status attachQueueManager(std::string_view name, const std::string& conninfo);
Status detachQueueManager(std::string_view name);
Status deleteQueueManager(std::string_view name, bool force);
Status startQueueManager(std::string_view name);
Status stopQueueManager(std::string_view name);
Status checkQueueManager(std::string_view name, CheckReport& report);
void describe(std::string_view name, ManagerInfo& info);
Status defineLocalQueue(std::string_view manager, std::string_view queue, std::int32_t maxDepth);
Status defineAliasQueue(std::string_view manager, std::string_view alias, std::string_view target);
Status alterMaxDepth(std::string_view manager, std::string_view queue, std::int32_t maxDepth);
Status deleteQueue(std::string_view manager, std::string_view queue, bool purge);
Status listQueues(std::string_view manager, std::vector<QueueInfo>& queues);
Status purgeQueue(std::string_view manager, std::string_view queue, std::int64_t& removed);
Status loadMessages(std::string_view manager, std::string_view queue, std::int64_t count,
                    std::span<const std::uint8_t> data, bool persistent);
}  // namespace postgres

}  // namespace kx::admin
