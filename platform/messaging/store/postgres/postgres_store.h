#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/messaging/store/get_selection.h"
#include "platform/messaging/store/internal.h"
#include "platform/messaging/store/message_rules.h"
#include "platform/messaging/store/postgres/postgres_db.h"
#include "platform/messaging/store/postgres/postgres_schema.h"
#include "platform/messaging/store/put_context.h"
#include "platform/messaging/store/resolving_backend.h"

namespace kx {

// A client's connection to a queue manager kept in a PostgreSQL database, shared by any number of
// processes on any number of machines. Every put and get is one statement and its own
// transaction; a destructive get takes a message no other getter is taking, so getters neither
// wait for each other nor deliver a message twice. A lost connection to the server counts as a
// lost queue manager: the connection is broken until the manager connects anew.
//
// A take's answer is read before its commit is asked for. When the answer to the commit does not
// come, the message is kept in doubt with the transaction's id; the client object's next
// connection to the same queue manager learns whether the commit was made, and if it was, its next
// destructive get of that queue delivers that message first. It is never delivered to anyone else
// (it left the queue) and never twice.
class PostgresStore final : public ResolvingBackend {
 public:
  ~PostgresStore() override;
  PostgresStore(const PostgresStore&) = delete;
  PostgresStore& operator=(const PostgresStore&) = delete;

  // Connects to the running queue manager that `validatedName`'s record names; `problem` gets
  // what the server or libpq said when it could not be used.
  static ReasonCode connect(std::string_view validatedName, std::unique_ptr<StoreBackend>& out,
                            std::string& problem);

  ReasonCode put(const std::string& queue, QueueMessage& message) override;
  // The cursor is a message's store id (see storeIdOf).
  ReasonCode get(const std::string& queue, QueueMessage& message, std::int32_t options,
                 std::int64_t& cursor) override;
  std::unique_ptr<TakesInDoubt> releaseTakesInDoubt() override;
  void adoptTakesInDoubt(std::unique_ptr<TakesInDoubt> takes) override;

 private:
  // A message taken by a transaction whose commit went unanswered.
  struct InDoubt {
    std::int64_t queueId = 0;
    std::int64_t seq = 0;
    std::int64_t xid = 0;     // the transaction's id
    std::int64_t client = 0;  // the id of the connection that took it, for its receipt
    std::int64_t token = 0;   // the server's token when it was taken
    StoredMessage delivered;
    std::vector<std::uint8_t> body;  // as much as the buffer of the get that took it took
  };
  struct Carried;

  PostgresStore();

  ReasonCode readManagerRow(ManagerRow& row) override;
  ReasonCode lookUpQueue(const std::string& name, QueueLookup& row) override;
  ReasonCode discardAfterCrash() override;
  void dropQueueCaches() override { heads_.clear(); }
  // Runs a statement; a lost connection breaks this one for good.
  ReasonCode run(const pg::Statement& statement, const pg::Params& params, pg::Result& result);
  Step queueCount(const std::string& queue, QueueCount which, std::int32_t& number) override;
  Step putOnce(std::int64_t queueId, QueueMessage& message, std::int64_t nowMs);
  // Discards the expired messages of a queue; how many went.
  Step purgeExpired(std::int64_t queueId, std::int64_t nowMs, std::int64_t& removed);
  const pg::Statement& getStatement(bool browse, unsigned variant);
  // One attempt at a get of `selection`; `foundId` gets the store id of the message found.
  Step getOnce(std::int64_t queueId, const QueueMessage& message, GetSelection& selection,
               std::int64_t now, std::int64_t& foundId);
  // Asks for the commit of a take whose answer is in `result`; keeps the message in doubt when
  // the answer to the commit does not come.
  Step commitTake(std::int64_t queueId, const pg::Result& result, bool found, std::size_t length);
  // A get that found no message: the manager's state first, and what expired goes.
  Step nothingFound(std::int64_t queueId, const GetSelection& selection, std::int64_t now);
  // The message this object took off `queueId` in a transaction whose commit went unanswered,
  // if that commit was made and the get's selection takes it; settles the others on the way.
  Step takeInDoubt(std::int64_t queueId, const QueueMessage& message, bool acceptTruncated,
                   bool& found);

  pg::Connection db_;
  std::string conninfo_;
  std::string schema_;
  std::int32_t takenRow_ = 0;  // the row of the taken counts this connection writes
  MessageIdSource ids_;
  pg::Statement managerRow_;
  pg::Statement queueRow_;
  pg::Statement depth_;
  pg::Statement put_;
  pg::Statement purgeExpired_;
  pg::Statement countTaken_;
  std::array<std::unique_ptr<pg::Statement>, pg::schema::kVariants> takes_;
  std::array<std::unique_ptr<pg::Statement>, pg::schema::kVariants> browses_;
  pg::Statement settle_;
  pg::Statement dropReceipt_;
  // This connection's id in the receipts of its persistent takes; and whether it left one.
  std::int64_t client_ = 0;
  bool leftReceipt_ = false;
  std::vector<std::uint8_t> scratch_;  // a received body before it is handed to the message
  StoredMessage delivered_;            // and its descriptor
  StoredMessage stored_;               // what a put stores
  // By queue, where this connection's next plain take looks from: every message up to there had
  // left the queue for good (its take committed) when a take of this connection last looked, and
  // a message held by a transaction still in progress, which may yet give it back, is never
  // passed. Puts come in sequence order, so the next message delivered is the oldest left that
  // no one holds, and the index entries of the messages taken before, dead until a vacuum, are
  // never walked again.
  std::unordered_map<std::int64_t, std::int64_t> heads_;
  std::vector<InDoubt> inDoubt_;
};

}  // namespace kx
