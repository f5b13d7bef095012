#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/messaging/store/admin_checks.h"
#include "platform/messaging/store/internal.h"
#include "platform/messaging/store/postgres/postgres_db.h"

// What the administration of queue managers kept in PostgreSQL shares: a session on the database
// of one queue manager, opened for one call, its changes made in one transaction, and the record
// of the queue manager on this machine.
namespace kx::admin::postgres {

using pg::Params;
using pg::Result;
using pg::Type;

// A connection to the database of one queue manager, for one administration call.
struct Session {
  pg::Connection db;
  std::string schemaName;  // quoted for SQL
  std::string manager;

  // What the database said, as one line an operator can act on.
  Status failed(ReasonCode why, std::string_view kept) const {
    std::string said = db.lastError();
    said = said.substr(0, said.find('\n'));
    if (said.empty()) return storeFailure(why, kept);
    return failure(why, std::string(describeReason(why)) + ": " + said, kept);
  }
  ReasonCode run(const std::string& sql, const std::vector<Type>& types, const Params& params,
                 Result& result) {
    return db.once(pg::Statement{"", sql, types}, params, result);
  }
  ReasonCode run(const std::string& sql, Result& result) { return run(sql, {}, Params(), result); }
  // For work that grows with a queue: the longer bound.
  void bulk() {
    if (db.waitBoundMs() > 0)
      db.setWaitBoundMs(std::max(db.waitBoundMs(), pg::kBulkWaitSeconds * 1000));
  }
};

Status refuseUnusable(const std::string& conninfo, std::string_view kept);

// Connects to the database `conninfo` names, for the queue manager `manager`.
Status connect(Session& session, std::string_view manager, const std::string& conninfo,
               std::string_view kept);

// Opens the database of a queue manager this machine has a record of, and checks that it holds
// the queue manager; `running` gives its state and `version` the version of its tables.
Status open(Session& session, std::string_view manager, std::string_view kept,
            bool* running = nullptr, std::int32_t* version = nullptr);

// Runs `change` in one transaction on the queue manager's database, committed only when it
// succeeds.
template <typename Change>
Status changeDatabase(std::string_view manager, std::string_view kept, Change&& change) {
  Session session;
  if (Status status = open(session, manager, kept); !status) return status;
  if (const ReasonCode why = session.db.exec("BEGIN"); why != reason::kNone) {
    return session.failed(why, kept);
  }
  Status status = change(session);
  if (status) {
    if (const ReasonCode why = session.db.exec("COMMIT"); why != reason::kNone) {
      return session.failed(why, kept);
    }
  } else {
    session.db.exec("ROLLBACK");
  }
  return status;
}

// Counts a change of the queue definitions, so that clients resolve their names again.
ReasonCode bumpGeneration(Session& session);

// A queue's row, locked for the change when `lock` is set; its depth as clients see it.
ReasonCode readQueue(Session& session, std::string_view name, QueueDefinition& row,
                     bool lock = false);

// The definitions of the queues of the queue manager a session works on, each row locked for the
// change when `lock` is set.
class SessionDefinitions final : public QueueDefinitions {
 public:
  explicit SessionDefinitions(Session& session, bool lock = false)
      : QueueDefinitions(session.manager), session_(session), lock_(lock) {}
  ReasonCode read(std::string_view queue, QueueDefinition& definition) override {
    return readQueue(session_, queue, definition, lock_);
  }
  Status failed(ReasonCode why, std::string_view kept) const override {
    return session_.failed(why, kept);
  }
  ReasonCode aliasOf(std::string_view queue, std::string& alias) override;

 private:
  Session& session_;
  bool lock_;
};

// Writes the record that tells this machine's clients where the queue manager lives.
Status writeRecord(std::string_view manager, const std::string& conninfo, std::string_view kept);

// Removes the record and, when it names this queue manager, the default mark.
Status removeRecord(std::string_view manager, std::string_view kept);

}  // namespace kx::admin::postgres
