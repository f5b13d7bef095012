#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/messaging/queue_message.h"
#include "platform/messaging/reason_codes.h"
#include "platform/messaging/store/internal.h"

namespace kx {

// What a client object keeps from one of its connections to a queue manager to the next: takes
// whose commit was asked for when the connection broke, before the answer came. The store may have
// made them: the next connection learns which it did, and delivers those first and only once.
class TakesInDoubt {
 public:
  virtual ~TakesInDoubt() = default;
};

// What the client classes need of the store that keeps a queue manager: one connection's
// operations on its queues by name. Each backend keeps the same contract: reasons, never
// exceptions; a stop or restart of the queue manager (or the loss of the connection) since the
// connect breaks the connection for good; depth is a counter kept with each put and get.
class StoreBackend {
 public:
  virtual ~StoreBackend() = default;

  // True once every operation fails with kConnectionBroken, until the manager connects anew.
  virtual bool broken() const = 0;

  // kNone when `queue` names a local queue or an alias of an existing one.
  virtual ReasonCode checkQueue(const std::string& queue) = 0;
  // Of a local queue only: an alias answers kSelectorNotForType.
  virtual ReasonCode depth(const std::string& queue, std::int32_t& depth) = 0;
  virtual ReasonCode maxDepth(const std::string& queue, std::int32_t& maxDepth) = 0;
  // The local queue that `queue` stands for: itself, or an alias's base queue.
  virtual ReasonCode resolve(const std::string& queue, std::string& baseName) = 0;
  virtual ReasonCode put(const std::string& queue, QueueMessage& message) = 0;
  // `cursor` is the caller's browse cursor: read by browse-next and under-cursor, moved by
  // browses. Its value is the backend's own and means nothing to the caller.
  virtual ReasonCode get(const std::string& queue, QueueMessage& message, std::int32_t options,
                         std::int64_t& cursor) = 0;

  // Gives up the takes in doubt this connection holds, its own and those it was given and did
  // not settle; null when there are none.
  virtual std::unique_ptr<TakesInDoubt> releaseTakesInDoubt() { return nullptr; }
  // Takes over what an earlier connection of the same client object left in doubt.
  virtual void adoptTakesInDoubt(std::unique_ptr<TakesInDoubt> /*takes*/) {}
};

}  // namespace kx
