#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <random>
#include <span>
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
#include "platform/messaging/store/report_rules.h"
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
//
// A message that asks for a report has it put in the transaction of the event: the put, the take
// (a take kept in doubt keeps its report with it) or the discard of the expired message. Messages
// that ask for none keep the single statements.
class PostgresStore final : public ResolvingBackend, private ReportSink {
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
  // What a put that found no room tries, one step each call: the taken messages added up again,
  // then what expired discarded. kNone: look again; kQueueFull when nothing is left to try.
  struct RoomSearch {
    bool counted = false;
    bool purged = false;
  };
  Step lookForRoom(std::int64_t queueId, std::int64_t nowMs, RoomSearch& search);
  // Adds up the taken counts of a queue into its row; whether it has room now.
  Step countTaken(std::int64_t queueId, bool& room);
  // Discards the expired messages of a queue, with the reports they ask for; how many went. In
  // the open transaction of an event when there is one, else in transactions of their own.
  Step purgeExpired(std::int64_t queueId, std::int64_t nowMs, std::int64_t& removed);
  // Discards a batch of the expired messages that ask for a report, and puts their reports; how
  // many went. In a transaction of its own, or in the open one.
  Step discardReporting(std::int64_t queueId, std::int64_t nowMs, bool ownTransaction,
                        std::int64_t& removed);

  // Reports (postgres_reports.cpp). The put of a message that asks for an arrival report, in one
  // statement with its report when all the report needs is a put onto another queue; `done` says
  // whether it was, else the put is still to be made. `stored` is what storeForPut made of it.
  Step putArriving(std::int64_t queueId, const QueueMessage& message, StoredMessage& stored,
                   const MessageId24& idPrefix, std::int64_t nowMs, const char* commit, bool& done);
  // Runs a statement in a new transaction left open.
  ReasonCode runOpen(const pg::Statement& statement, const pg::Params& params, pg::Result& result);
  // Puts the report of `cause` for `original` in the open transaction; `commit` is the commit's
  // setting the transaction needs ("on": it waits for the disk).
  Step report(ReportCause cause, const QueueMessage& original, std::span<const std::uint8_t> data,
              std::int64_t nowMs, const char* commit);
  // Commits the open transaction when `step` went well, else undoes it; a deadlock with another
  // reporting transaction marks the attempt for another try.
  Step endReported(const Step& step);
  // Runs `attempt` again while a deadlock undid it, a few times at most.
  template <typename Attempt>
  Step againAfterDeadlock(Attempt&& attempt);
  // Notes a failure that was a deadlock, for againAfterDeadlock.
  void noteDeadlock(ReasonCode why);
  // A pause of random length, longer after each of `count` deadlocks in a row, so that two
  // clients that met in one do not meet again at once.
  void pauseAfterDeadlock(int count);
  Step putReport(const std::string& queue, QueueMessage& message) override;
  Step deadLetterQueue(std::string& queue) override;
  Step countDiscarded() override;
  const pg::Statement& getStatement(bool browse, unsigned variant);
  // One attempt at a get of `selection`; `foundId` gets the store id of the message found.
  Step getOnce(std::int64_t queueId, const QueueMessage& message, GetSelection& selection,
               std::int64_t now, std::int64_t& foundId);
  // Asks for the commit of a take whose answer is in `result`; keeps the message in doubt when
  // the answer to the commit does not come. A delivery report the message asks for joins the
  // transaction first.
  Step commitTake(std::int64_t queueId, const pg::Result& result, bool found, std::size_t length,
                  std::int64_t nowMs);
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
  pg::Statement deadLetter_;
  pg::Statement countDiscarded_;
  pg::Statement purgeReporting_;
  pg::Statement putArriving_;
  std::string manager_;              // the queue manager's name, as reports name it
  std::int64_t reportNowMs_ = 0;     // the time of the event being reported
  const char* reportCommit_ = "on";  // the commit setting of its transaction
  bool purging_ = false;             // reports made while purging make no room by purging
  bool deadlocked_ = false;          // the last reporting transaction met a deadlock
  std::minstd_rand pauses_;          // the lengths of the pauses after deadlocks
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

template <typename Attempt>
Step PostgresStore::againAfterDeadlock(Attempt&& attempt) {
  for (int count = 1;; ++count) {
    deadlocked_ = false;
    const Step step = attempt();
    if (!deadlocked_ || count == kMaxAttempts) return step;
    pauseAfterDeadlock(count);
  }
}

}  // namespace kx
