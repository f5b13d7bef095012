#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/messaging/queue_message.h"
#include "platform/messaging/reason_codes.h"
#include "platform/messaging/store/attempts.h"
#include "platform/messaging/store/internal.h"
#include "platform/messaging/store/message_rules.h"
#include "platform/messaging/store/put_context.h"
#include "platform/messaging/store/resolving_backend.h"
#include "platform/messaging/store/sqlite/report_puts.h"
#include "platform/messaging/store/sqlite/sqlite_db.h"

namespace kx {

// A client's connection to one queue manager of the embedded store: one SQLite connection, the
// start epoch it connected in, and the queue names it has resolved. Every operation checks, in
// the same statement or transaction as its work, that the queue manager is still running in that
// epoch; once it is not, the connection is broken for good.
class SqliteStore final : public ResolvingBackend {
 public:
  // Connects to a running queue manager; `validatedName` is not the empty name.
  static ReasonCode connect(std::string_view validatedName, std::unique_ptr<StoreBackend>& out);
  ~SqliteStore() override;

  ReasonCode put(const std::string& queue, QueueMessage& message) override;
  // The cursor is a message's store id (see storeIdOf).
  ReasonCode get(const std::string& queue, QueueMessage& message, std::int32_t options,
                 std::int64_t& cursor) override;

 private:
  struct Selection;
  struct Received;
  // The statements on one local queue's message table.
  struct TableStatements {
    Statement selects[16];  // by the variant of the selection
    Statement insert;
    Statement erase;
    Statement countExpired;
  };

  SqliteStore() = default;

  ReasonCode readManagerRow(ManagerRow& row) override;
  ReasonCode lookUpQueue(const std::string& name, QueueLookup& row) override;
  void dropQueueCaches() override;
  // Readies the connection for another attempt: commits at FULL after meeting a persistent
  // message, and after a full disk moves the WAL into the store.
  void prepareRetry(Retry retry);
  Step queueCount(const std::string& queue, QueueCount which, std::int32_t& number) override;
  ReasonCode setSynchronous(bool full);
  // Discards the messages of a queue past their expiry, with the reports they ask for.
  Step purgeExpired(std::int64_t queueId, std::int64_t nowMs, std::int64_t& removed);
  // Where this connection's reports are put; made when the first is needed.
  SqliteReports& reports();
  Step putOnce(std::int64_t queueId, QueueMessage& message, std::int64_t nowMs);
  Step getOnce(const Selection& selection, Received& received);
  Statement& bindSelection(Statement& select, const Selection& selection);
  // A get that found no message: the manager's state first, and what expired goes.
  Step nothingFound(const Selection& selection, Transaction& transaction);
  // Reads as much of the body as the get delivers, unless the get cannot deliver it as it stands.
  Step readBody(const Statement& select, const Selection& selection, const Received& received);
  // Removes the received message from its queue and its counters.
  Step takeOff(const Selection& selection, const Received& received);
  ReasonCode readData(std::int64_t queueId, std::int64_t seq, std::size_t length);
  // The body a delivery report of the received message carries, read before the take deletes it.
  Step bodyForReport(const Selection& selection, const Received& received,
                     std::span<const std::uint8_t>& body);
  TableStatements& tableStatements(std::int64_t queueId);
  // A statement on a queue's message table, prepared from `sql` with {T} naming the table.
  Statement& onTable(std::int64_t queueId, Statement& statement, std::string_view sql, Step& step);
  // The step for an error on a message table: gone with a definition change, or damaged.
  Step tableFailure(ReasonCode why);
  Statement& cached(Statement& statement, const char* sql, ReasonCode& why);

  Database db_;
  std::filesystem::path path_;
  bool synchronousFull_ = false;
  bool lastGetPersistent_ = false;
  bool getAtFull_ = false;  // this get commits at FULL: it met a persistent message
  std::unordered_map<std::int64_t, std::unique_ptr<TableStatements>> tables_;
  MessageIdSource ids_;
  std::vector<std::uint8_t> scratch_;  // a received body before it is handed to the message
  StoredMessage stored_;               // what a put stores
  std::unique_ptr<SqliteReports> reports_;

  Statement managerRow_;
  Statement queueRow_;
  Statement depthRow_;
  Statement putCheck_;
  Statement putUpdate_;
  Statement getUpdate_;
};

}  // namespace kx
