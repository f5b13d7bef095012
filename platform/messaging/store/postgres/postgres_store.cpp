#include "platform/messaging/store/postgres/postgres_store.h"

#include <algorithm>
#include <optional>
#include <random>
#include <utility>

#include "platform/messaging/store/message_rules.h"
#include "platform/messaging/store/postgres/report_schema.h"
#include "platform/messaging/store/seam_calls.h"
#include "platform/messaging/store_location.h"

namespace kx {
namespace {

namespace schema = pg::schema;

// The columns of a get's row: the message's length, its store columns, the stored fields, its
// body, then a take's own.
constexpr int kLength = 0;
constexpr int kSeq = 1;
constexpr int kMsgId = 2;
constexpr int kSupplied = 3;
constexpr int kExpiresAt = 4;
constexpr int kPutMs = 5;
static_assert(schema::kStoredColumn == kPutMs + 1);
constexpr int kDurability = schema::kBodyColumn + 1;  // a take's: the commit's setting, unused
constexpr int kXid = kDurability + 1;                 // a take's: its transaction's id
constexpr int kToken = kXid + 1;                      // a take's: the server's token
constexpr int kFloor = kToken + 1;  // a plain take's: the first message left at or after its place
constexpr int kReportData = kFloor + 1;  // a take's: what a delivery report needs of a cut body
constexpr int kExpiredLeft = kReportData + 1;  // a take's: whether expired messages wait

MessageId24 idFrom(std::span<const std::uint8_t> bytes) {
  return MessageId24::fromBytes(bytes).value_or(MessageId24::none());
}

pg::Params& idOrNull(pg::Params& params, const MessageId24& id) {
  return id.isNone() ? params.null() : params.bytes(id.bytes());
}

}  // namespace

PostgresStore::PostgresStore() {
  std::random_device random;
  client_ = static_cast<std::int64_t>(((std::uint64_t{random()} << 32) | random()) >> 1);
  pauses_.seed(random());
}

PostgresStore::~PostgresStore() {
  // A connection that goes leaves no receipt behind, unless a take in doubt may need it.
  if (!leftReceipt_ || !db_.alive()) return;
  pg::Params params;
  params.int8(client_);
  pg::Result result;
  db_.run(dropReceipt_, params, result);
}

ReasonCode PostgresStore::connect(std::string_view validatedName,
                                  std::unique_ptr<StoreBackend>& out, std::string& problem) {
  std::string conninfo;
  if (const ReasonCode why = readPostgresRecord(validatedName, conninfo); why != reason::kNone) {
    return why;
  }
  std::unique_ptr<PostgresStore> connection(new PostgresStore());
  if (const ReasonCode why = connection->db_.open(conninfo, problem); why != reason::kNone) {
    return why;
  }
  const std::string s = schema::of(validatedName);
  connection->conninfo_ = conninfo;
  connection->schema_ = s;
  connection->managerRow_ = schema::managerRow(s);
  connection->queueRow_ = schema::queueRow(s);
  connection->depth_ = schema::depth(s);
  connection->put_ = schema::put(s);
  connection->purgeExpired_ = schema::purgeExpired(s);
  connection->countTaken_ = schema::countTaken(s);
  connection->settle_ = schema::settle(s);
  connection->dropReceipt_ = schema::dropReceipt(s);
  connection->deadLetter_ = schema::deadLetter(s);
  connection->countDiscarded_ = schema::countDiscarded(s);
  connection->purgeReporting_ = schema::purgeReporting(s);
  connection->putArriving_ = schema::putArriving(s);
  connection->manager_ = validatedName;
  connection->takenRow_ = connection->db_.backendPid() % schema::kTakenRows;

  ManagerRow manager;
  if (const ReasonCode why = connection->readManagerRow(manager); why != reason::kNone) {
    // No tables: the queue manager was deleted from its database since the record was written.
    problem = connection->db_.lastError().substr(0, connection->db_.lastError().find('\n'));
    return why;
  }
  if (!manager.intact) {
    if (const ReasonCode why = connection->discardAfterCrash(); why != reason::kNone) return why;
  }
  if (!connection->connectedTo(manager)) return reason::kQueueManagerNotAvailable;
  out = std::move(connection);
  return reason::kNone;
}

ReasonCode PostgresStore::discardAfterCrash() {
  // However many messages go, this is done once, not cut off and begun again by every client.
  const int bound = db_.waitBoundMs();
  if (bound > 0) db_.setWaitBoundMs(std::max(bound, pg::kBulkWaitSeconds * 1000));
  const ReasonCode why = db_.exec(schema::discardAfterCrashSql(schema_));
  db_.setWaitBoundMs(bound);
  if (why == reason::kConnectionBroken) markBroken();
  return why;
}

ReasonCode PostgresStore::run(const pg::Statement& statement, const pg::Params& params,
                              pg::Result& result) {
  const ReasonCode why = db_.run(statement, params, result);
  if (why == reason::kConnectionBroken) markBroken();
  noteDeadlock(why);
  return why;
}

ReasonCode PostgresStore::readManagerRow(ManagerRow& row) {
  pg::Result result;
  if (const ReasonCode why = run(managerRow_, pg::Params(), result); why != reason::kNone) {
    return why;
  }
  if (result.rows() != 1 || result.int4(0, 3) != schema::kSchemaVersion) {
    return reason::kStoreDamaged;
  }
  row.running = result.boolean(0, 0);
  row.epoch = result.int8(0, 1);
  row.gen = result.int8(0, 2);
  row.intact = result.boolean(0, 4);
  return reason::kNone;
}

ReasonCode PostgresStore::lookUpQueue(const std::string& name, QueueLookup& row) {
  pg::Result result;
  pg::Params params;
  params.text(name);
  if (const ReasonCode why = run(queueRow_, params, result); why != reason::kNone) return why;
  row = QueueLookup{};
  if (result.rows() == 1) {
    row.found = true;
    row.id = result.int8(0, 0);
    if (!result.isNull(0, 1)) row.aliasFor = result.text(0, 1);
  }
  return reason::kNone;
}

Step PostgresStore::queueCount(const std::string& queue, QueueCount which, std::int32_t& number) {
  const QueueRef* ref = nullptr;
  if (const Step step = startAttempt(queue, Target::kLocalQueue, ref); !step.ok()) return step;
  pg::Params params;
  params.int8(epoch()).int8(gen()).int8(ref->baseId).int8(seam::nowMs());
  pg::Result result;
  if (const ReasonCode why = run(depth_, params, result); why != reason::kNone) return why;
  if (result.rows() != 1) return confirm(reason::kUnknownObjectName);
  const std::int64_t value = result.int8(0, which == QueueCount::kDepth ? 0 : 1);
  number = static_cast<std::int32_t>(std::clamp<std::int64_t>(value, 0, INT32_MAX));
  return reason::kNone;
}

ReasonCode PostgresStore::put(const std::string& queue, QueueMessage& message) {
  // Everything about the message is checked before the store is touched.
  if (const ReasonCode why = checkForPut(message); why != reason::kNone) return why;
  return runAttempts([&]() -> Step {
    const QueueRef* ref = nullptr;
    if (const Step step = startAttempt(queue, Target::kBaseQueue, ref); !step.ok()) return step;
    const std::int64_t queueId = ref->baseId;
    return againAfterDeadlock([&] { return putOnce(queueId, message, seam::nowMs()); });
  });
}

Step PostgresStore::putOnce(std::int64_t queueId, QueueMessage& message, std::int64_t now) {
  StoredMessage& stored = stored_;
  storeForPut(message, now, stored);
  // An assigned id is this connection's random bytes around the message's store id, which the
  // statement writes in once the sequence is known. A non-persistent put need not wait.
  const MessageId24 idPrefix = ids_.assign(0);
  const char* commit = message.persistent != 0 ? "on" : "off";
  pg::Params params;
  schema::addPut(params, epoch(), gen(), queueId, stored, idPrefix, message.data(), commit);
  // A message that asks for a report on arrival is put in a transaction that the report joins.
  const bool reported = (message.report & report::kCoa) != 0;
  if (reported) {
    bool done = false;
    const Step step = putArriving(queueId, message, stored, idPrefix, now, commit, done);
    if (!step.ok()) return step;
    if (done) {
      completePut(message, stored);
      return reason::kNone;
    }
  }
  RoomSearch search;
  for (;;) {
    pg::Result result;
    if (const ReasonCode why = reported ? runOpen(put_, params, result) : run(put_, params, result);
        why != reason::kNone) {
      return why;
    }
    if (result.rows() == 1) {
      stored.descriptor.msgId = idFrom(result.bytes(0, 1));
      if (reported) {
        Step step = report(ReportCause::kArrival, stored.descriptor, message.data(), now, commit);
        if (step.ok()) seam::beforeCommit("put");
        if (step = endReported(step); !step.ok()) return step;
      }
      completePut(message, stored);
      return reason::kNone;
    }
    // Nothing stored: the manager stopped or was redefined, or the queue is full.
    if (reported) {
      if (const Step step = endReported(reason::kNone); !step.ok()) return step;
    }
    if (const Step step = lookForRoom(queueId, now, search); !step.ok()) return step;
  }
}

Step PostgresStore::lookForRoom(std::int64_t queueId, std::int64_t now, RoomSearch& search) {
  if (const Step state = checkManager(); !state.ok()) return state;
  bool room = false;
  if (!search.counted) {
    search.counted = true;
    if (const Step step = countTaken(queueId, room); !step.ok() || room) return step;
  }
  // Expired messages do not count against the maximum.
  if (search.purged || purging_) return reason::kQueueFull;
  search.purged = true;
  std::int64_t removed = 0;
  if (const Step step = purgeExpired(queueId, now, removed); !step.ok()) return step;
  if (removed == 0) return reason::kQueueFull;
  return countTaken(queueId, room);
}

Step PostgresStore::countTaken(std::int64_t queueId, bool& room) {
  pg::Params params;
  params.int8(queueId);
  pg::Result counted;
  if (const ReasonCode why = run(countTaken_, params, counted); why != reason::kNone) return why;
  room = counted.rows() == 1 && counted.boolean(0, 0);
  return reason::kNone;
}

const pg::Statement& PostgresStore::getStatement(bool browse, unsigned variant) {
  auto& slot = browse ? browses_[variant] : takes_[variant];
  if (!slot) {
    slot = std::make_unique<pg::Statement>(browse ? schema::browse(schema_, variant)
                                                  : schema::take(schema_, variant));
  }
  return *slot;
}

namespace {

void readDelivered(const pg::Result& result, std::size_t length, StoredMessage& delivered,
                   std::vector<std::uint8_t>& body) {
  delivered.descriptor.msgId = idFrom(result.bytes(0, kMsgId));
  delivered.supplied = result.boolean(0, kSupplied);
  delivered.expiresAt.reset();
  if (!result.isNull(0, kExpiresAt)) delivered.expiresAt = result.int8(0, kExpiresAt);
  delivered.putMs = result.int8(0, kPutMs);
  schema::readStored(result, schema::kStoredColumn, delivered.descriptor);
  delivered.length = length;
  const auto data = result.bytes(0, schema::kBodyColumn);
  body.assign(data.begin(), data.end());
}

}  // namespace

Step PostgresStore::takeInDoubt(std::int64_t queueId, const QueueMessage& message,
                                bool acceptTruncated, bool& found) {
  found = false;
  for (auto it = inDoubt_.begin(); it != inDoubt_.end();) {
    if (it->queueId != queueId) {
      ++it;
      continue;
    }
    pg::Params params;
    params.int8(it->xid).int8(it->client).int8(queueId);
    pg::Result result;
    if (const ReasonCode why = run(settle_, params, result); why != reason::kNone) return why;
    if (result.rows() != 1 || result.isNull(0, 1)) {
      // The server crashed and no one has discarded what it may have brought back yet.
      if (const Step state = checkManager(); !state.ok()) return state;
      return reason::kInternalError;
    }
    const std::string status = result.isNull(0, 0) ? std::string() : result.text(0, 0);
    bool made = false;
    if (result.int8(0, 1) == it->token) {
      // No crash since: the transaction's id is its own, and says how it went.
      if (status == "in progress") {  // not decided yet: asked again at the next get
        ++it;
        continue;
      }
      made = status == "committed";
    } else {
      // A crash since: a non-persistent message did not outlive it, and a persistent one was
      // taken if its take's receipt made it to the disk.
      made = it->delivered.descriptor.persistent != 0 && !result.isNull(0, 2) &&
             result.int8(0, 2) == it->seq;
    }
    if (it->delivered.descriptor.persistent != 0) {
      pg::Params client;
      client.int8(it->client);
      pg::Result dropped;
      if (const ReasonCode why = run(dropReceipt_, client, dropped); why != reason::kNone) {
        return why;
      }
    }
    if (!made) {  // undone: the message is back on its queue, or gone with a crash
      it = inDoubt_.erase(it);
      continue;
    }
    const StoredMessage& taken = it->delivered;
    if ((!message.msgId.isNone() && message.msgId != taken.descriptor.msgId) ||
        (!message.correlId.isNone() && message.correlId != taken.descriptor.correlId)) {
      ++it;  // kept for a get that selects it
      continue;
    }
    const std::optional<std::size_t> buffer = message.bufferSize();
    if (buffer && *buffer < taken.length && !acceptTruncated) {
      return reason::kTruncatedMessageFailed;  // kept, as a message on the queue would be
    }
    delivered_ = taken;
    scratch_ = std::move(it->body);
    if (buffer && scratch_.size() > *buffer) scratch_.resize(*buffer);
    inDoubt_.erase(it);
    found = true;
    return reason::kNone;
  }
  return reason::kNone;
}

ReasonCode PostgresStore::get(const std::string& queue, QueueMessage& message, std::int32_t options,
                              std::int64_t& cursor) {
  if (const ReasonCode why = checkGetOptions(options); why != reason::kNone) return why;
  std::int64_t now = 0;
  const ReasonCode why = runAttempts([&]() -> Step {
    const QueueRef* ref = nullptr;
    if (const Step step = startAttempt(queue, Target::kBaseQueue, ref); !step.ok()) return step;
    const std::int64_t queueId = ref->baseId;
    now = seam::nowMs();
    GetSelection selection = GetSelection::of(options, message, queueId, cursor);
    if (!selection.browse && !selection.underCursor && !inDoubt_.empty()) {
      bool found = false;
      const Step step = takeInDoubt(queueId, message, selection.acceptTruncated, found);
      if (!step.ok() || found) return step;
    }
    std::int64_t foundId = 0;
    const Step step =
        againAfterDeadlock([&] { return getOnce(queueId, message, selection, now, foundId); });
    selection.moveCursor(step.reason(), foundId, cursor);
    return step;
  });
  if (why != reason::kNone) return why;
  deliver(delivered_, scratch_, now, message);
  return reason::kNone;
}

Step PostgresStore::getOnce(std::int64_t queueId, const QueueMessage& message,
                            GetSelection& selection, std::int64_t now, std::int64_t& foundId) {
  const bool browse = selection.browse;
  const std::optional<std::size_t> buffer = selection.buffer;
  // A take that may not cut the message to its buffer leaves a longer one where it is.
  if (!browse && buffer && !selection.acceptTruncated) selection.variant |= schema::kWithinBuffer;
  // A plain take looks on from its connection's place on the queue.
  const bool fromHead = !browse && (selection.variant & ~schema::kWithinBuffer) == 0;
  if (fromHead) selection.position = heads_[queueId];
  pg::Params params;
  params.int8(epoch()).int8(gen()).int8(queueId).int8(selection.position).int8(now);
  idOrNull(params, message.msgId);
  idOrNull(params, message.correlId);
  params.int4(takenRow_)
      .boolean(selection.acceptTruncated)
      .int8(buffer ? static_cast<std::int64_t>(*buffer) : -1)
      .int8(selection.assignedSeq);
  if (!browse) params.int8(client_);
  pg::Result result;
  const pg::Statement& statement = getStatement(browse, selection.variant);
  const ReasonCode failed =
      browse ? db_.run(statement, params, result) : db_.runUncommitted(statement, params, result);
  if (failed == reason::kConnectionBroken) markBroken();
  if (failed != reason::kNone) return failed;
  const bool found = result.rows() == 1;
  const auto length = found ? static_cast<std::size_t>(result.int8(0, kLength)) : 0;
  if (!browse) {
    if (const Step step = commitTake(queueId, result, found, length, now); !step.ok()) {
      return step;
    }
  }
  if (!found) return nothingFound(queueId, selection, now);
  if (fromHead && !result.isNull(0, kFloor)) {
    // The first message left from the old place on: the next take looks from it, or past it
    // when it is the one just taken.
    const std::int64_t first = result.int8(0, kFloor);
    const bool takenNow = !result.isNull(0, kSeq) && result.int8(0, kSeq) == first;
    heads_[queueId] = takenNow ? first : first - 1;
  }
  const bool tooLong = buffer && *buffer < length && !selection.acceptTruncated;
  if (!browse && result.isNull(0, kSeq)) {
    // Found but left where it is: longer than the buffer takes. Any other answer would be a
    // statement that no longer does what it says.
    return tooLong ? reason::kTruncatedMessageFailed : reason::kInternalError;
  }
  foundId = storeIdOf(queueId, result.int8(0, kSeq));
  if (tooLong) return reason::kTruncatedMessageFailed;
  if (browse) readDelivered(result, length, delivered_, scratch_);
  return reason::kNone;
}

Step PostgresStore::commitTake(std::int64_t queueId, const pg::Result& result, bool found,
                               std::size_t length, std::int64_t now) {
  // What the take gave is final only once its commit is made.
  const bool took = found && !result.isNull(0, kSeq);
  if (took) readDelivered(result, length, delivered_, scratch_);
  if (took && (delivered_.descriptor.report & report::kCod) != 0) {
    // The report of the delivery joins the take's transaction, and is in doubt with it. A body
    // the buffer cut came whole as well, as far as the report carries it.
    const std::span<const std::uint8_t> data = result.isNull(0, kReportData)
                                                   ? std::span<const std::uint8_t>(scratch_)
                                                   : result.bytes(0, kReportData);
    const char* commit = delivered_.descriptor.persistent != 0 ? "on" : "off";
    const Step step = report(ReportCause::kDelivery, delivered_.descriptor, data, now, commit);
    if (!step.ok()) return endReported(step);
  }
  if (took && result.boolean(0, kExpiredLeft)) {
    // What expired on the queue goes with the take, with the reports it asks for.
    std::int64_t removed = 0;
    if (const Step step = purgeExpired(queueId, now, removed); !step.ok()) {
      return endReported(step);
    }
  }
  if (took) seam::beforeCommit("get");
  switch (db_.commit()) {
    case pg::Connection::Commit::kMade:
      leftReceipt_ = leftReceipt_ || (took && delivered_.descriptor.persistent != 0);
      return reason::kNone;
    case pg::Connection::Commit::kUndone:
      return pg::reasonFromSqlState(db_.sqlState(), !db_.alive());
    case pg::Connection::Commit::kUnknown:
      break;
  }
  if (took) {
    leftReceipt_ = false;  // its receipt is the in-doubt take's to drop once settled
    inDoubt_.push_back({queueId, result.int8(0, kSeq), result.int8(0, kXid), client_,
                        result.int8(0, kToken), delivered_, scratch_});
  }
  markBroken();
  return reason::kConnectionBroken;
}

Step PostgresStore::nothingFound(std::int64_t queueId, const GetSelection& selection,
                                 std::int64_t now) {
  if (const Step state = checkManager(); !state.ok()) return state;
  if (!selection.browse) {
    // Nothing to take: what expired on the queue goes now.
    std::int64_t removed = 0;
    if (const Step step = purgeExpired(queueId, now, removed); !step.ok()) return step;
  }
  return selection.underCursor ? reason::kNoMessageUnderCursor : reason::kNoMessageAvailable;
}

struct PostgresStore::Carried final : TakesInDoubt {
  std::string conninfo;
  std::string schema;
  std::vector<InDoubt> takes;
};

std::unique_ptr<TakesInDoubt> PostgresStore::releaseTakesInDoubt() {
  if (inDoubt_.empty()) return nullptr;
  auto carried = std::make_unique<Carried>();
  carried->conninfo = conninfo_;
  carried->schema = schema_;
  carried->takes = std::move(inDoubt_);
  inDoubt_.clear();
  return carried;
}

void PostgresStore::adoptTakesInDoubt(std::unique_ptr<TakesInDoubt> takes) {
  // Only a connection to the queue manager they were taken from can learn what became of them.
  auto* carried = dynamic_cast<Carried*>(takes.get());
  if (carried == nullptr || carried->schema != schema_ || carried->conninfo != conninfo_) return;
  for (InDoubt& take : carried->takes) inDoubt_.push_back(std::move(take));
}

}  // namespace kx
