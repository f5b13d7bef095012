// The public administration: each call goes, guarded, to the administration of the store that
// keeps the queue manager it names; what is the same for every store is here.
#include "platform/messaging/store_admin.h"

#include <algorithm>
#include <system_error>

#include "platform/messaging/names.h"
#include "platform/messaging/store/admin_checks.h"
#include "platform/messaging/store/backend_factory.h"
#include "platform/messaging/store/private_files.h"
#include "platform/messaging/store_location.h"

namespace kx::admin {

namespace fs = std::filesystem;

Status detachQueueManager(std::string_view name) {
  return guarded([&]() -> Status {
    constexpr const char* kKept = "nothing was changed";
    if (Status status = checkManagerName(name, kKept); !status) return status;
    if (storeKindOf(name) == StoreKind::kNone) {
      return failure(reason::kQueueManagerNameError,
                     "queue manager " + quotedName(name) + " does not exist", kKept);
    }
    return adminFor(name).detachQueueManager(name);
  });
}

Status deleteQueueManager(std::string_view name, bool force) {
  return guarded([&] { return adminFor(name).deleteQueueManager(name, force); });
}

Status startQueueManager(std::string_view name) {
  return guarded([&] { return adminFor(name).startQueueManager(name); });
}

Status stopQueueManager(std::string_view name) {
  return guarded([&] { return adminFor(name).stopQueueManager(name); });
}

Status checkQueueManager(std::string_view name, CheckReport& report) {
  return guarded([&] { return adminFor(name).checkQueueManager(name, report); });
}

Status setDeadLetterQueue(std::string_view manager, std::string_view queue) {
  return guarded([&] { return adminFor(manager).setDeadLetterQueue(manager, queue); });
}

Status salvageQueueManager(std::string_view name, SalvageReport& report) {
  report = SalvageReport{};
  return guarded([&] { return adminFor(name).salvageQueueManager(name, report); });
}

Status defineLocalQueue(std::string_view manager, std::string_view queue, std::int32_t maxDepth) {
  return guarded([&] { return adminFor(manager).defineLocalQueue(manager, queue, maxDepth); });
}

Status defineAliasQueue(std::string_view manager, std::string_view alias, std::string_view target) {
  return guarded([&] { return adminFor(manager).defineAliasQueue(manager, alias, target); });
}

Status alterMaxDepth(std::string_view manager, std::string_view queue, std::int32_t maxDepth) {
  return guarded([&] { return adminFor(manager).alterMaxDepth(manager, queue, maxDepth); });
}

Status deleteQueue(std::string_view manager, std::string_view queue, bool purge) {
  return guarded([&] { return adminFor(manager).deleteQueue(manager, queue, purge); });
}

Status listQueues(std::string_view manager, std::vector<QueueInfo>& queues) {
  return guarded([&] { return adminFor(manager).listQueues(manager, queues); });
}

Status purgeQueue(std::string_view manager, std::string_view queue, std::int64_t& removed) {
  return guarded([&] { return adminFor(manager).purgeQueue(manager, queue, removed); });
}

Status loadMessages(std::string_view manager, std::string_view queue, std::int64_t count,
                    std::span<const std::uint8_t> data, bool persistent) {
  return guarded(
      [&] { return adminFor(manager).loadMessages(manager, queue, count, data, persistent); });
}

Status setDefaultQueueManager(std::string_view name) {
  return guarded([&]() -> Status {
    constexpr const char* kKept = "the default was not changed";
    if (Status status = checkManagerName(name, kKept); !status) return status;
    if (Status status = adminFor(name).checkDefaultable(name, kKept); !status) return status;
    // Written whole to a private temporary file and renamed over the mark, so that a reader sees
    // the old name or the new one, and a link planted in the folder is replaced, never followed.
    fs::path directory;
    std::string problem;
    if (const ReasonCode prepared = prepareDataDirectory(directory, problem);
        prepared != reason::kNone) {
      return failure(prepared, problem, kKept);
    }
    TemporaryFile temporary;
    ReasonCode written = temporary.create(directory / defaultMarkPath().filename(), problem);
    if (written == reason::kNone) written = temporary.write(std::string(name) + "\n", problem);
    if (written == reason::kNone) written = temporary.renameIntoPlace(problem);
    if (written != reason::kNone) return failure(written, problem, kKept);
    return {};
  });
}

Status defaultQueueManager(std::string& name) {
  return guarded([&]() -> Status {
    std::string problem;
    if (const ReasonCode why = findDefaultQueueManager(name, problem); why != reason::kNone) {
      return failure(why, problem, kJustRead);
    }
    return {};
  });
}

Status listQueueManagers(std::vector<ManagerInfo>& managers) {
  return guarded([&]() -> Status {
    managers.clear();
    std::string defaultName;
    defaultQueueManager(defaultName);
    std::error_code error;
    const fs::path directory = dataDirectory();
    if (!fs::exists(directory, error)) return {};
    if (std::string problem; checkDataDirectory(directory, problem) != reason::kNone) {
      return failure(reason::kDataDirectoryUnsafe, problem, kJustRead);
    }
    for (const auto& entry : fs::directory_iterator(directory, error)) {
      const fs::path& path = entry.path();
      const bool store = path.extension() == ".qmgr";
      if ((!store && path.extension() != ".postgres") || !entry.is_regular_file(error)) continue;
      const std::string name = path.stem().string();
      if (validateName(name, NameKind::QueueManager) != reason::kNone) continue;
      // A name with both a file and a record is reached through its file, and listed so.
      if (!store && storeKindOf(name) != StoreKind::kPostgres) continue;
      ManagerInfo info;
      info.name = name;
      info.isDefault = name == defaultName;
      info.inPostgres = !store;
      adminFor(name).describe(name, info);
      managers.push_back(std::move(info));
    }
    if (error) {
      return failure(reason::kStoreIoError, "cannot read " + directory.string(), kJustRead);
    }
    std::sort(managers.begin(), managers.end(),
              [](const ManagerInfo& a, const ManagerInfo& b) { return a.name < b.name; });
    return {};
  });
}

std::string explainFailure(std::string_view manager, ReasonCode why) {
  if (why == reason::kDataDirectoryUnsafe) {
    std::string problem;
    checkDataDirectory(dataDirectory(), problem);
    if (!problem.empty()) return problem;
  }
  if (validateName(manager, NameKind::QueueManager) != reason::kNone) return describeReason(why);
  return adminFor(manager).explainFailure(manager, why);
}

}  // namespace kx::admin
