#include "platform/messaging/store/backend_factory.h"

#include "platform/messaging/names.h"
#include "platform/messaging/store/admin_checks.h"
#include "platform/messaging/store/postgres/postgres_admin.h"
#include "platform/messaging/store/postgres/postgres_store.h"
#include "platform/messaging/store/sqlite/sqlite_admin.h"
#include "platform/messaging/store/sqlite/sqlite_store.h"
#include "platform/messaging/store_location.h"

namespace kx {
namespace {

bool keptInPostgres(std::string_view name) {
  return validateName(name, NameKind::QueueManager) == reason::kNone &&
         storeKindOf(name) == StoreKind::kPostgres;
}

}  // namespace

ReasonCode connectBackend(std::string_view validatedName, std::unique_ptr<StoreBackend>& out,
                          std::string& problem) {
  problem.clear();
  if (keptInPostgres(validatedName)) return PostgresStore::connect(validatedName, out, problem);
  return SqliteStore::connect(validatedName, out);
}

namespace admin {
namespace {

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

AdminBackend& adminFor(std::string_view name) {
  // Neither keeps any state of its own: every call opens what it works on.
  static sqlite::SqliteAdmin inFile;
  static postgres::PostgresAdmin inDatabase;
  if (keptInPostgres(name)) return inDatabase;
  return inFile;
}

// A new queue manager goes where the operator asked: nothing keeps its name yet.
Status createQueueManager(std::string_view name) {
  return guarded([&]() -> Status {
    if (Status status = checkUnknown(name, "nothing was created"); !status) return status;
    return sqlite::SqliteAdmin::create(name);
  });
}

Status createPostgresQueueManager(std::string_view name, const std::string& conninfo) {
  return guarded([&]() -> Status {
    if (Status status = checkUnknown(name, "nothing was created"); !status) return status;
    return postgres::PostgresAdmin::create(name, conninfo);
  });
}

Status attachPostgresQueueManager(std::string_view name, const std::string& conninfo) {
  return guarded([&]() -> Status {
    if (Status status = checkUnknown(name, "nothing was recorded"); !status) return status;
    return postgres::PostgresAdmin::attach(name, conninfo);
  });
}

}  // namespace admin
}  // namespace kx
