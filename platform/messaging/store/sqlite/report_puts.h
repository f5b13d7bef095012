#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/messaging/queue_message.h"
#include "platform/messaging/store/attempts.h"
#include "platform/messaging/store/internal.h"
#include "platform/messaging/store/message_rules.h"
#include "platform/messaging/store/put_context.h"
#include "platform/messaging/store/report_rules.h"
#include "platform/messaging/store/sqlite/sqlite_db.h"

namespace kx {

// The reports of the embedded store, put in the write transaction that is open on `db` when an
// event happens, so that the event and its reports commit or roll back together. The client's
// puts and gets use one of these per connection, the administration one per change; nothing is
// made or run for a message that asks for no report.
class SqliteReports final : public ReportSink {
 public:
  SqliteReports(Database& db, const MessageIdSource& ids) : db_(db), ids_(ids) {}
  ~SqliteReports() override;
  SqliteReports(const SqliteReports&) = delete;
  SqliteReports& operator=(const SqliteReports&) = delete;

  // The report of `cause` for `original` (its descriptor as stored, with its id), whose body
  // starts with `data`, at `nowMs`.
  Step send(ReportCause cause, const QueueMessage& original, std::span<const std::uint8_t> data,
            std::int64_t nowMs);
  // The first `length` bytes of the body of message `seq` of queue `queueId`, read before a take
  // deletes it; valid until the next call of readBody.
  Step readBody(std::int64_t queueId, std::int64_t seq, std::size_t length,
                std::span<const std::uint8_t>& body);

  // A message past its expiry that asks for a report, read before it is discarded.
  struct Expired {
    QueueMessage descriptor;
    std::vector<std::uint8_t> data;  // as much of its body as its reports carry
  };
  // Reads the messages of queue `queueId` expired at `nowMs` that ask for expiration reports.
  Step collectExpired(std::int64_t queueId, std::int64_t nowMs, std::vector<Expired>& expired);
  // Sends their reports, once they are discarded.
  Step sendExpired(const std::vector<Expired>& expired, std::int64_t nowMs);
  // Discards the messages of queue `queueId` expired at `nowMs`, lowers its counters by
  // `removed`, and sends the reports of those that ask.
  Step discardExpired(std::int64_t queueId, std::int64_t nowMs, std::int64_t& removed);

  // Queue definitions changed: the statements on message tables are dropped.
  void forgetQueues() { tables_.clear(); }

  Step putReport(const std::string& queue, QueueMessage& message) override;
  Step deadLetterQueue(std::string& queue) override;
  Step countDiscarded() override;

 private:
  struct TableStatements {
    Statement expired;
    Statement purge;
    Statement insert;
  };
  // A local queue as a report put finds it: its id and counters.
  struct Room {
    std::int64_t id = 0;
    std::int64_t nextSeq = 0;
    std::int64_t depth = 0;
    std::int64_t maxDepth = 0;
    std::int64_t expiring = 0;
  };

  // The local queue `queue` names, or the one its alias stands for, with its counters.
  Step resolve(const std::string& queue, Room& room);
  // The counters again, after expired messages went.
  Step readRoom(Room& room);
  Step insert(const Room& room, QueueMessage& message);
  Statement& cached(Statement& statement, const char* sql, Step& step);
  Statement& onTable(std::int64_t queueId, Statement TableStatements::*which, std::string_view sql,
                     Step& step);
  Step managerName();  // reads manager_ once

  Database& db_;
  const MessageIdSource& ids_;
  std::int64_t nowMs_ = 0;  // of the event whose reports are being put
  std::string manager_;     // read once: a queue manager keeps its name
  StoredMessage stored_;
  std::vector<std::uint8_t> body_;
  std::unordered_map<std::int64_t, std::unique_ptr<TableStatements>> tables_;
  Statement queueRow_;
  Statement roomRow_;
  Statement putUpdate_;
  Statement purgeCount_;
  Statement deadLetterRow_;
  Statement discardCount_;
  Statement nameRow_;
};

}  // namespace kx
