#include "platform/messaging/store/postgres_store.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "platform/messaging/get_options.h"
#include "platform/messaging/store/message_rules.h"
#include "platform/messaging/store/seam_calls.h"
#include "platform/messaging/store_location.h"

namespace kx {
namespace {

namespace schema = pg::schema;

// The columns of a get's row: the message's length, then its descriptor, then its body.
enum GetColumn {
  kLength,
  kSeq,
  kMsgId,
  kCorrelId,
  kExpiresAt,
  kPersistent,
  kPutMs,
  kMsgType,
  kFeedback,
  kCcsid,
  kFormat,
  kPriority,
  kReport,
  kBackout,
  kReplyQ,
  kReplyQmgr,
  kPutAppl,
  kPutApplType,
  kBody,
};

MessageId24 idFrom(std::span<const std::uint8_t> bytes) {
  if (bytes.size() != MessageId24::kSize) return MessageId24::none();
  MessageId24::Bytes id{};
  std::copy(bytes.begin(), bytes.end(), id.begin());
  return MessageId24(id);
}

pg::Params& idOrNull(pg::Params& params, const MessageId24& id) {
  return id.isNone() ? params.null() : params.bytes(id.bytes());
}

}  // namespace

ReasonCode PostgresStore::connect(std::string_view validatedName,
                                  std::unique_ptr<StoreBackend>& out) {
  std::string conninfo;
  if (const ReasonCode why = readPostgresRecord(validatedName, conninfo); why != reason::kNone) {
    return why;
  }
  std::unique_ptr<PostgresStore> connection(new PostgresStore());
  std::string problem;
  if (const ReasonCode why = connection->db_.open(conninfo, problem); why != reason::kNone) {
    return why;
  }
  // Every commit is durable unless a statement says otherwise for its own transaction, and a
  // lock that another client holds too long fails as a busy store does.
  if (const ReasonCode why =
          connection->db_.exec("SET synchronous_commit = on; SET lock_timeout = '8s'");
      why != reason::kNone) {
    return why;
  }
  const std::string s = schema::of(validatedName);
  connection->schema_ = s;
  connection->managerRow_ = schema::managerRow(s);
  connection->queueRow_ = schema::queueRow(s);
  connection->depth_ = schema::depth(s);
  connection->put_ = schema::put(s);
  connection->purgeExpired_ = schema::purgeExpired(s);
  connection->takenRow_ = connection->db_.backendPid() % schema::kTakenRows;

  ManagerRow manager;
  if (const ReasonCode why = connection->readManagerRow(manager); why != reason::kNone) {
    // No tables: the queue manager was deleted from its database since the record was written.
    return why == reason::kStoreDamaged && connection->db_.sqlState() == "42P01"
               ? reason::kQueueManagerNameError
               : why;
  }
  if (!connection->connectedTo(manager)) return reason::kQueueManagerNotAvailable;
  out = std::move(connection);
  return reason::kNone;
}

ReasonCode PostgresStore::run(const pg::Statement& statement, const pg::Params& params,
                              pg::Result& result) {
  const ReasonCode why = db_.run(statement, params, result);
  if (why == reason::kConnectionBroken) markBroken();
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
  return reason::kNone;
}

ReasonCode PostgresStore::readQueueRow(const std::string& name, QueueRow& row) {
  pg::Result result;
  pg::Params params;
  params.text(name);
  if (const ReasonCode why = run(queueRow_, params, result); why != reason::kNone) return why;
  row = QueueRow{};
  if (result.rows() == 1) {
    row.found = true;
    row.id = result.int8(0, 0);
    if (!result.isNull(0, 1)) row.aliasFor = result.text(0, 1);
  }
  return reason::kNone;
}

Step PostgresStore::queueNumber(const std::string& queue, bool wantDepth, std::int32_t& number) {
  const QueueRef* ref = nullptr;
  if (const Step step = startAttempt(queue, Target::kLocalQueue, ref); !step.ok()) return step;
  pg::Params params;
  params.int8(epoch()).int8(gen()).int8(ref->baseId).int8(seam::nowMs());
  pg::Result result;
  if (const ReasonCode why = run(depth_, params, result); why != reason::kNone) return why;
  if (result.rows() != 1) return confirm(reason::kUnknownObjectName);
  const std::int64_t value = result.int8(0, wantDepth ? 0 : 1);
  number = static_cast<std::int32_t>(std::clamp<std::int64_t>(value, 0, INT32_MAX));
  return reason::kNone;
}

Step PostgresStore::purgeExpired(std::int64_t queueId, std::int64_t now, std::int64_t& removed) {
  pg::Params params;
  params.int8(queueId).int8(now).int4(takenRow_);
  pg::Result result;
  if (const ReasonCode why = run(purgeExpired_, params, result); why != reason::kNone) return why;
  removed = result.rows() == 1 ? result.int8(0, 0) : 0;
  return reason::kNone;
}

ReasonCode PostgresStore::put(const std::string& queue, QueueMessage& message) {
  // Everything about the message is checked before the store is touched.
  if (const ReasonCode why = checkForPut(message); why != reason::kNone) return why;
  return runAttempts([&]() -> Step {
    const QueueRef* ref = nullptr;
    if (const Step step = startAttempt(queue, Target::kBaseQueue, ref); !step.ok()) return step;
    return putOnce(ref->baseId, message, seam::nowMs());
  });
}

Step PostgresStore::putOnce(std::int64_t queueId, QueueMessage& message, std::int64_t now) {
  const std::optional<std::int64_t> expiresAt = expiresAtOf(message, now);
  std::string format = paddedFormat(message.format);
  // An assigned id is this connection's random bytes around the message's store id, which the
  // statement writes in once the sequence is known.
  const MessageId24 idPrefix = ids_.assign(0);
  pg::Params params;
  params.int8(epoch()).int8(gen()).int8(queueId);
  idOrNull(params, message.msgId).bytes(idPrefix.bytes());
  idOrNull(params, message.correlId);
  if (expiresAt) {
    params.int8(*expiresAt);
  } else {
    params.null();
  }
  params.boolean(message.persistent != 0)
      .int8(now)
      .int4(message.msgType)
      .int4(message.feedback)
      .int4(message.ccsid)
      .text(format)
      .int4(std::max(0, message.priority))
      .int4(message.report)
      .int4(message.backoutCount)
      .text(message.replyToQ)
      .text(message.replyQmgr)
      .text(putApplicationName())
      .int4(kPutApplTypeThisPlatform)
      .bytes(message.data())
      .text(message.persistent != 0 ? "on" : "off");  // a non-persistent put need not wait
  for (int pass = 0;; ++pass) {
    pg::Result result;
    if (const ReasonCode why = run(put_, params, result); why != reason::kNone) return why;
    if (result.rows() == 1) {
      completePut(message, idFrom(result.bytes(0, 1)), std::move(format), now);
      return reason::kNone;
    }
    // Nothing stored: the manager stopped or was redefined, or the queue is full.
    if (const Step state = checkManager(); !state.ok()) return state;
    if (pass > 0) return reason::kQueueFull;
    // Expired messages do not count against the maximum: discard them and look again.
    std::int64_t removed = 0;
    if (const Step step = purgeExpired(queueId, now, removed); !step.ok()) return step;
    if (removed == 0) return reason::kQueueFull;
  }
}

const pg::Statement& PostgresStore::getStatement(bool browse, unsigned variant) {
  auto& slot = browse ? browses_[variant] : takes_[variant];
  if (!slot) {
    slot = std::make_unique<pg::Statement>(browse ? schema::browse(schema_, variant)
                                                  : schema::take(schema_, variant));
  }
  return *slot;
}

ReasonCode PostgresStore::get(const std::string& queue, QueueMessage& message, std::int32_t options,
                              std::int64_t& cursor) {
  if (const ReasonCode why = checkGetOptions(options); why != reason::kNone) return why;
  const bool browseFirst = options & getopt::kBrowseFirst;
  const bool browseNext = options & getopt::kBrowseNext;
  const bool browse = browseFirst || browseNext;
  const bool underCursor = options & getopt::kUnderCursor;
  const bool acceptTruncated = options & getopt::kAcceptTruncated;
  const std::optional<std::size_t> buffer = message.bufferSize();

  Delivered delivered;
  std::int64_t now = 0;
  const ReasonCode why = runAttempts([&]() -> Step {
    const QueueRef* ref = nullptr;
    if (const Step step = startAttempt(queue, Target::kBaseQueue, ref); !step.ok()) return step;
    const std::int64_t queueId = ref->baseId;
    // A cursor from another queue (one deleted since) is no position here.
    const std::int64_t cursorSeq = queueIdIn(cursor) == queueId ? sequenceIn(cursor) : 0;
    unsigned variant = 0;
    std::int64_t position = 0;
    std::int64_t assignedSeq = -1;
    if (underCursor) {
      variant = schema::kExact;
      position = cursorSeq;  // sequences start at 1: 0 is no message
    } else {
      position = browseNext ? cursorSeq : 0;
      if (!message.msgId.isNone()) {
        variant |= schema::kByMsgId;
        const std::int64_t storeId = storeIdIn(message.msgId);
        if (queueIdIn(storeId) == queueId) assignedSeq = sequenceIn(storeId);
      }
      if (!message.correlId.isNone()) variant |= schema::kByCorrelId;
    }
    // A take that may not cut the message to its buffer leaves a longer one where it is.
    if (!browse && buffer && !acceptTruncated) variant |= schema::kWithinBuffer;
    // A plain take looks on from the message this connection took last.
    const bool fromHead = !browse && (variant & ~schema::kWithinBuffer) == 0;
    if (fromHead) position = heads_[queueId];
    now = seam::nowMs();
    pg::Params params;
    params.int8(epoch()).int8(gen()).int8(queueId).int8(position).int8(now);
    idOrNull(params, message.msgId);
    idOrNull(params, message.correlId);
    params.int4(takenRow_)
        .boolean(acceptTruncated)
        .int8(buffer ? static_cast<std::int64_t>(*buffer) : -1)
        .int8(assignedSeq);
    pg::Result result;
    if (const ReasonCode failed = run(getStatement(browse, variant), params, result);
        failed != reason::kNone) {
      return failed;
    }
    if (result.rows() != 1) {
      if (const Step state = checkManager(); !state.ok()) return state;
      if (fromHead && position > 0) {
        heads_[queueId] = 0;  // one that a getter held back may wait below: look from the start
        return Step::again(Retry::kFromTheStart);
      }
      if (!browse) {
        // Nothing to take: what expired on the queue goes now.
        std::int64_t removed = 0;
        if (const Step step = purgeExpired(queueId, now, removed); !step.ok()) return step;
      }
      if (underCursor) return reason::kNoMessageUnderCursor;
      if (browseFirst) cursor = 0;
      return reason::kNoMessageAvailable;
    }
    const auto length = static_cast<std::size_t>(result.int8(0, kLength));
    const bool tooLong = buffer && *buffer < length && !acceptTruncated;
    if (!browse && result.isNull(0, kSeq)) {
      // Found but left where it is: longer than the buffer takes. Any other answer would be a
      // statement that no longer does what it says.
      return tooLong ? reason::kTruncatedMessageFailed : reason::kInternalError;
    }
    if (browse) cursor = storeIdOf(queueId, result.int8(0, kSeq));  // a failed length moves too
    if (fromHead) heads_[queueId] = result.int8(0, kSeq);
    if (tooLong) return reason::kTruncatedMessageFailed;

    delivered = Delivered{};
    delivered.msgId = idFrom(result.bytes(0, kMsgId));
    delivered.correlId =
        result.isNull(0, kCorrelId) ? MessageId24::none() : idFrom(result.bytes(0, kCorrelId));
    if (!result.isNull(0, kExpiresAt)) delivered.expiresAt = result.int8(0, kExpiresAt);
    delivered.persistent = result.boolean(0, kPersistent);
    delivered.putMs = result.int8(0, kPutMs);
    delivered.msgType = result.int4(0, kMsgType);
    delivered.feedback = result.int4(0, kFeedback);
    delivered.ccsid = result.int4(0, kCcsid);
    delivered.format = result.text(0, kFormat);
    delivered.priority = result.int4(0, kPriority);
    delivered.report = result.int4(0, kReport);
    delivered.backout = result.int4(0, kBackout);
    delivered.replyQ = result.text(0, kReplyQ);
    delivered.replyQmgr = result.text(0, kReplyQmgr);
    delivered.putAppl = result.text(0, kPutAppl);
    delivered.putApplType = result.int4(0, kPutApplType);
    delivered.length = length;
    const auto body = result.bytes(0, kBody);
    scratch_.assign(body.begin(), body.end());
    return reason::kNone;
  });
  if (why != reason::kNone) return why;
  deliver(delivered, scratch_, now, message);
  return reason::kNone;
}

}  // namespace kx
