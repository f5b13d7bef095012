// The public administration: each call goes to the store that keeps the queue manager it names,
// the embedded store's file or a PostgreSQL database; what is the same for both is here.
#include "platform/messaging/store_admin.h"

#include <algorithm>
#include <system_error>

#include "platform/messaging/names.h"
#include "platform/messaging/store/admin_backends.h"
#include "platform/messaging/store/admin_support.h"
#include "platform/messaging/store/private_files.h"
#include "platform/messaging/store/store_file.h"
#include "platform/messaging/store_location.h"

namespace kx::admin {
namespace {

namespace fs = std::filesystem;

bool inPostgres(std::string_view manager) {
  return validateName(manager, NameKind::QueueManager) == reason::kNone &&
         storeKindOf(manager) == StoreKind::kPostgres;
}

// Refuses a name that this machine already knows, in either kind of store.
Status checkUnknown(std::string_view name, std::string_view kept) {
  if (Status status = checkManagerName(name, kept); !status) return status;
  if (storeKindOf(name) != StoreKind::kNone) {
    return failure(reason::kObjectAlreadyExists,
                   "queue manager " + quotedName(name) + " already exists",
                   "it was left as it was");
  }
  return {};
}

}  // namespace

Status createQueueManager(std::string_view name) {
  return guarded([&]() -> Status {
    if (Status status = checkUnknown(name, "nothing was created"); !status) return status;
    return embedded::createQueueManager(name);
  });
}

Status createPostgresQueueManager(std::string_view name, const std::string& conninfo) {
  return guarded([&]() -> Status {
    if (Status status = checkUnknown(name, "nothing was created"); !status) return status;
    return postgres::createQueueManager(name, conninfo);
  });
}

Status attachPostgresQueueManager(std::string_view name, const std::string& conninfo) {
  return guarded([&]() -> Status {
    if (Status status = checkUnknown(name, "nothing was recorded"); !status) return status;
    return postgres::attachQueueManager(name, conninfo);
  });
}

Status detachQueueManager(std::string_view name) {
  return guarded([&]() -> Status {
    constexpr const char* kKept = "nothing was changed";
    if (Status status = checkManagerName(name, kKept); !status) return status;
    switch (storeKindOf(name)) {
      case StoreKind::kPostgres:
        return postgres::detachQueueManager(name);
      case StoreKind::kEmbedded:
        return failure(reason::kOptionNotValidForType,
                       "queue manager " + quotedName(name) +
                           " is kept in a file here, not in PostgreSQL; delete it instead",
                       kKept);
      case StoreKind::kNone:
        break;
    }
    return failure(reason::kQueueManagerNameError,
                   "queue manager " + quotedName(name) + " does not exist", kKept);
  });
}

Status deleteQueueManager(std::string_view name, bool force) {
  if (inPostgres(name)) return guarded([&] { return postgres::deleteQueueManager(name, force); });
  return embedded::deleteQueueManager(name, force);
}

Status startQueueManager(std::string_view name) {
  if (inPostgres(name)) return guarded([&] { return postgres::startQueueManager(name); });
  return embedded::startQueueManager(name);
}

Status stopQueueManager(std::string_view name) {
  if (inPostgres(name)) return guarded([&] { return postgres::stopQueueManager(name); });
  return embedded::stopQueueManager(name);
}

Status checkQueueManager(std::string_view name, CheckReport& report) {
  if (inPostgres(name)) return guarded([&] { return postgres::checkQueueManager(name, report); });
  return embedded::checkQueueManager(name, report);
}

Status salvageQueueManager(std::string_view name, SalvageReport& report) {
  report = SalvageReport{};
  if (inPostgres(name)) {
    return failure(reason::kOptionNotValidForType,
                   "queue manager " + quotedName(name) +
                       " is kept in PostgreSQL; its database is repaired with the database's own "
                       "tools",
                   kNothingChanged);
  }
  return embedded::salvageQueueManager(name, report);
}

Status defineLocalQueue(std::string_view manager, std::string_view queue, std::int32_t maxDepth) {
  if (inPostgres(manager)) {
    return guarded([&] { return postgres::defineLocalQueue(manager, queue, maxDepth); });
  }
  return embedded::defineLocalQueue(manager, queue, maxDepth);
}

Status defineAliasQueue(std::string_view manager, std::string_view alias, std::string_view target) {
  if (inPostgres(manager)) {
    return guarded([&] { return postgres::defineAliasQueue(manager, alias, target); });
  }
  return embedded::defineAliasQueue(manager, alias, target);
}

Status alterMaxDepth(std::string_view manager, std::string_view queue, std::int32_t maxDepth) {
  if (inPostgres(manager)) {
    return guarded([&] { return postgres::alterMaxDepth(manager, queue, maxDepth); });
  }
  return embedded::alterMaxDepth(manager, queue, maxDepth);
}

Status deleteQueue(std::string_view manager, std::string_view queue, bool purge) {
  if (inPostgres(manager)) {
    return guarded([&] { return postgres::deleteQueue(manager, queue, purge); });
  }
  return embedded::deleteQueue(manager, queue, purge);
}

Status listQueues(std::string_view manager, std::vector<QueueInfo>& queues) {
  if (inPostgres(manager)) return guarded([&] { return postgres::listQueues(manager, queues); });
  return embedded::listQueues(manager, queues);
}

Status purgeQueue(std::string_view manager, std::string_view queue, std::int64_t& removed) {
  if (inPostgres(manager)) {
    return guarded([&] { return postgres::purgeQueue(manager, queue, removed); });
  }
  return embedded::purgeQueue(manager, queue, removed);
}

Status loadMessages(std::string_view manager, std::string_view queue, std::int64_t count,
                    std::span<const std::uint8_t> data, bool persistent) {
  if (inPostgres(manager)) {
    return guarded([&] { return postgres::loadMessages(manager, queue, count, data, persistent); });
  }
  return embedded::loadMessages(manager, queue, count, data, persistent);
}

Status setDefaultQueueManager(std::string_view name) {
  return guarded([&]() -> Status {
    constexpr const char* kKept = "the default was not changed";
    if (Status status = checkManagerName(name, kKept); !status) return status;
    if (storeKindOf(name) != StoreKind::kPostgres) {
      const ReasonCode why = checkStoreHeader(storePath(name));
      if (why == reason::kQueueManagerNameError) {
        return failure(why, "queue manager " + quotedName(name) + " does not exist", kKept);
      }
      if (why == reason::kStoreDamaged) {
        return failure(why, describeUnusableStore(storePath(name)), kKept);
      }
      if (why != reason::kNone) return explained(storeFailure(why, kKept), name, kKept);
    }
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
      if (store) {
        embedded::describe(name, info);
      } else {
        postgres::describe(name, info);
      }
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
  if (validateName(manager, NameKind::QueueManager) != reason::kNone || inPostgres(manager)) {
    return describeReason(why);
  }
  return embedded::explainFailure(manager, why);
}

}  // namespace kx::admin
