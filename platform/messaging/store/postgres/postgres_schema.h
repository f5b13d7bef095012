#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/messaging/store/get_selection.h"
#include "platform/messaging/store/internal.h"
#include "platform/messaging/store/message_rules.h"
#include "platform/messaging/store/postgres/postgres_db.h"

// A queue manager kept in PostgreSQL: a schema of its own in the database its record names, with
// the manager's row, its queues, their messages, and the counters of messages taken. This file
// owns that layout and every statement the client and the administration run on it.
//
// Depth is a counter kept in the transaction of each put and get, split so that getters never
// wait for one another: a queue's row counts the messages added (puts are serialised on that row
// anyway, for their sequence), and each connection counts what it took in a row of its own.
// Depth is what was added less what was taken, less what expired and was not yet discarded. A put
// adds up the taken counts only when the queue looks full: the queue's row keeps a past sum, and
// while what was added since is less than the maximum, the queue has room.
namespace kx::pg::schema {

// The schema of a queue manager, quoted for SQL.
std::string of(std::string_view managerName);

// `sql` with every {S} in it replaced by the schema `s`.
std::string inSchema(std::string sql, const std::string& s);
// As an SQL condition on the manager's row `g`: the manager runs in the epoch and generation the
// connection works in ($1, $2), on a server whose non-persistent messages were discarded since
// its last crash.
std::string inEpoch(const std::string& s);
// As an SQL condition on queue row `q`: a local queue with room for one more message.
std::string hasRoom(const char* q);

// The put's parameters: the connection's epoch and generation, the queue, the putter's message id
// and the assigned id's bytes, the expiry and the put time, the stored fields, the body, and the
// commit's setting; and their types.
inline constexpr int kPutDataParameter = 8 + static_cast<int>(kStoredFieldCount);
std::vector<Type> putTypes();

// The SQL of an assigned message id: the id `prefix` (a bytea expression) with the store id of
// `queueId` and `seq` (int8 expressions) in its bytes 9 to 16, as MessageIdSource::assign writes
// it.
std::string assignedIdSql(std::string_view prefix, std::string_view queueId, std::string_view seq);

// The stored descriptor fields as statements take them: "$first, $first+1, ...", their
// parameters' types, their values from `stored`, and read back from `result`'s first row from
// column `first` on.
std::string storedParameters(int first);
void addStoredTypes(std::vector<Type>& types);
void addStored(Params& params, const StoredMessage& stored);
void readStored(const Result& result, int first, QueueMessage& descriptor, int row = 0);
// The parameters of put: the connection's epoch and generation, the queue, what storeForPut made
// of the message, the prefix of an id to assign, the body, and the commit's setting ("on": the
// commit waits for the disk). Bytes and texts are the caller's, alive until the put has run.
void addPut(Params& params, std::int64_t epoch, std::int64_t gen, std::int64_t queueId,
            const StoredMessage& stored, const MessageId24& idPrefix,
            std::span<const std::uint8_t> body, const char* commit);
// The columns a get gives before the stored fields: length, seq, msg_id, supplied, expires_at,
// put_ms; after them the body, and a take's own columns.
inline constexpr int kStoredColumn = 6;
inline constexpr int kBodyColumn = kStoredColumn + static_cast<int>(kStoredFieldCount);

// The rows over which the counts of taken messages are spread; a connection writes the one its
// server process picks.
inline constexpr int kTakenRows = 64;
inline constexpr std::int32_t kSchemaVersion = 3;

// The depth of queue row `q` as clients see it, as an SQL expression: what was added, less what
// was taken, less what expired by the time `now` (an SQL value) and was not yet discarded.
std::string depthOf(const std::string& s, const char* q, const char* now);

// Makes the tables of a new queue manager (stopped) in schema `s`.
std::string createSql(const std::string& s, std::string_view managerName);
// Brings the tables of a queue manager made at an earlier `version` up to this one; empty when
// they are.
std::string upgradeSql(const std::string& s, std::int32_t version);
// Marks the server intact, with a new token, unless it is.
std::string markIntact(const std::string& s);
// After a crash of the server: discards every non-persistent message and marks the server intact
// again, as one transaction (one simple query); a no-op once another client did it.
std::string discardAfterCrashSql(const std::string& s);

// The statements, each for the schema `s` of one queue manager. Parameters $1 and $2 are always
// the start epoch and the definitions' generation the connection works in: a statement that finds
// the manager stopped, restarted or redefined, or the server crashed since non-persistent
// messages were last discarded, finds nothing. managerRow says which.
Statement managerRow(const std::string& s);
Statement queueRow(const std::string& s);
Statement depth(const std::string& s);
Statement put(const std::string& s);
// Adds up the taken counts of queue $1 into its row; whether it has room now.
Statement countTaken(const std::string& s);
// Discards the messages of queue $1 expired by the time $2 that ask for no report, counted in
// taken row $3; how many went, and whether expired ones that ask for a report are left.
Statement purgeExpired(const std::string& s);
// The message a get selects, by variant: bits of GetSelection's and this one.
inline constexpr unsigned kWithinBuffer =
    GetSelection::kOwnVariant;  // a take only of a message the buffer takes whole
inline constexpr unsigned kVariants = 16;
// Both give the message's length, then its descriptor and body (cut to the buffer); a take whose
// message is longer than the buffer takes leaves it and gives its length alone. Expired messages
// are never selected; purgeExpired discards them, where a take took a message and says expired
// ones wait, where it found nothing, or where a put found the queue full.
Statement take(const std::string& s, unsigned variant);
Statement browse(const std::string& s, unsigned variant);
// For a take whose commit went unanswered ($1 its transaction, $2 the connection that made it, $3
// its queue): the transaction's status, the server's token, and that connection's receipt on
// that queue.
Statement settle(const std::string& s);
// Drops the receipt of the connection $1.
Statement dropReceipt(const std::string& s);

}  // namespace kx::pg::schema
