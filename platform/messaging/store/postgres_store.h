#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/messaging/store/internal.h"
#include "platform/messaging/store/postgres_db.h"
#include "platform/messaging/store/postgres_schema.h"
#include "platform/messaging/store/put_context.h"
#include "platform/messaging/store/resolving_backend.h"

namespace kx {

// A client's connection to a queue manager kept in a PostgreSQL database, shared by any number of
// processes on any number of machines. Every put and get is one statement and its own
// transaction; a destructive get takes a message no other getter is taking, so getters neither
// wait for each other nor deliver a message twice. A lost connection to the server counts as a
// lost queue manager: the connection is broken until the manager connects anew.
class PostgresStore final : public ResolvingBackend {
 public:
  // Connects to the running queue manager that `validatedName`'s record names.
  static ReasonCode connect(std::string_view validatedName, std::unique_ptr<StoreBackend>& out);

  ReasonCode put(const std::string& queue, QueueMessage& message) override;
  // The cursor is a message's store id: (queue id << kSequenceBits) | sequence.
  ReasonCode get(const std::string& queue, QueueMessage& message, std::int32_t options,
                 std::int64_t& cursor) override;

 private:
  PostgresStore() = default;

  ReasonCode readManagerRow(ManagerRow& row) override;
  ReasonCode readQueueRow(const std::string& name, QueueRow& row) override;
  void dropQueueCaches() override { heads_.clear(); }
  // Runs a statement; a lost connection breaks this one for good.
  ReasonCode run(const pg::Statement& statement, const pg::Params& params, pg::Result& result);
  Step queueNumber(const std::string& queue, bool wantDepth, std::int32_t& number) override;
  Step putOnce(std::int64_t queueId, QueueMessage& message, std::int64_t nowMs);
  // Discards the expired messages of a queue; how many went.
  Step purgeExpired(std::int64_t queueId, std::int64_t nowMs, std::int64_t& removed);
  const pg::Statement& getStatement(bool browse, unsigned variant);

  pg::Connection db_;
  std::string schema_;
  std::int32_t takenRow_ = 0;  // the row of the taken counts this connection writes
  MessageIdSource ids_;
  pg::Statement managerRow_;
  pg::Statement queueRow_;
  pg::Statement depth_;
  pg::Statement put_;
  pg::Statement purgeExpired_;
  std::array<std::unique_ptr<pg::Statement>, pg::schema::kVariants> takes_;
  std::array<std::unique_ptr<pg::Statement>, pg::schema::kVariants> browses_;
  std::vector<std::uint8_t> scratch_;  // a received body before it is handed to the message
  // By queue, the sequence of the message this connection took last. Nothing older is left that
  // no other getter held when it looked, and puts only add newer ones, so its next take looks
  // from there: the index entries of the messages taken before lie behind it, dead until a
  // vacuum, and are never walked again. Where it finds nothing it looks once from the start.
  std::unordered_map<std::int64_t, std::int64_t> heads_;
};

}  // namespace kx
