#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/messaging/put_context.h"
#include "platform/messaging/queue_message.h"
#include "platform/messaging/reason_codes.h"
#include "platform/messaging/sqlite_db.h"

namespace kx {

// A client's connection to one queue manager's store: one SQLite connection, the start epoch it
// connected in, and the queue names it has resolved. Every operation checks, in the same
// statement or transaction as its work, that the queue manager is still running in that epoch;
// once it is not, the connection is broken for good.
class StoreConnection {
 public:
  // Connects to a running queue manager; `validatedName` is not the empty name.
  static ReasonCode connect(std::string_view validatedName, std::unique_ptr<StoreConnection>& out);
  ~StoreConnection();

  bool broken() const { return broken_; }

  // kNone when `queue` names a local queue or an alias of an existing one.
  ReasonCode checkQueue(const std::string& queue);
  ReasonCode depth(const std::string& queue, std::int32_t& depth);
  ReasonCode maxDepth(const std::string& queue, std::int32_t& maxDepth);
  ReasonCode resolve(const std::string& queue, std::string& baseName);
  ReasonCode put(const std::string& queue, QueueMessage& message);
  // `cursor` is the caller's browse cursor: read by next and under-cursor, moved by browses.
  ReasonCode get(const std::string& queue, QueueMessage& message, std::int32_t options,
                 std::int64_t& cursor);

 private:
  struct QueueRef {
    ReasonCode status = reason::kNone;  // of the name itself: kUnknownObjectName
    bool alias = false;
    ReasonCode baseStatus = reason::kNone;  // of the queue it stands for
    std::int64_t baseId = 0;
    std::string baseName;
  };
  struct Selection;
  struct Received;
  struct TableStatements;  // the statements on one local queue's message table

  StoreConnection() = default;

  // Drops the caches that a change of definitions made stale; run between operations only, as
  // callers may hold references into them during one.
  void settle();
  ReasonCode checkManager();
  // The depth (less expired messages) or the maximum depth of a local queue.
  ReasonCode queueNumber(const std::string& queue, bool wantDepth, std::int32_t& number);
  ReasonCode lookup(const std::string& queue, const QueueRef*& ref);
  // What an operation on `queue` works on: a local queue only, or the base queue of an alias.
  enum class Target { kLocalQueue, kBaseQueue };
  // Begins one attempt at an operation: drops the caches a definition change made stale and
  // looks `queue` up. A name that does not resolve fails with the reason the store confirms;
  // kRetry (internal) means the definitions changed under the cache: the attempt starts again.
  ReasonCode startAttempt(const std::string& queue, Target target, const QueueRef*& ref);
  ReasonCode confirm(ReasonCode failure);
  ReasonCode setSynchronous(bool full);
  ReasonCode purgeExpired(std::int64_t queueId, std::int64_t nowMs, std::int64_t& removed);
  ReasonCode putOnce(std::int64_t queueId, QueueMessage& message, std::int64_t nowMs);
  ReasonCode getOnce(const Selection& selection, Received& received);
  ReasonCode readData(std::int64_t queueId, std::int64_t seq, std::size_t length);
  TableStatements& tableStatements(std::int64_t queueId);
  // A statement on a queue's message table, prepared from `sql` with {T} naming the table.
  Statement& onTable(std::int64_t queueId, Statement& statement, std::string_view sql,
                     ReasonCode& why);
  // The reason for an error on a message table: gone with a definition change, or damaged.
  ReasonCode tableFailure(ReasonCode why);
  Statement& cached(Statement& statement, const char* sql, ReasonCode& why);

  Database db_;
  std::int64_t epoch_ = 0;
  std::int64_t gen_ = 0;
  bool broken_ = false;
  bool stale_ = false;
  bool synchronousFull_ = false;
  bool lastGetPersistent_ = false;
  std::unordered_map<std::string, QueueRef> queues_;
  std::unordered_map<std::int64_t, std::unique_ptr<TableStatements>> tables_;
  MessageIdSource ids_;
  std::vector<std::uint8_t> scratch_;  // a received body before it is handed to the message

  Statement managerRow_;
  Statement queueRow_;
  Statement depthRow_;
  Statement putCheck_;
  Statement putUpdate_;
  Statement purgeCount_;
  Statement getUpdate_;
};

}  // namespace kx
