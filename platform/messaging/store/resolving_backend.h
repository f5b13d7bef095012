#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

#include "platform/messaging/reason_codes.h"
#include "platform/messaging/store/attempts.h"
#include "platform/messaging/store/internal.h"
#include "platform/messaging/store/store_backend.h"

namespace kx {

// The queue manager's own row: whether it runs, the start it is in (a connection made in an
// earlier start is broken) and the generation of its queue definitions (a connection re-resolves
// names when it changes).
struct ManagerRow {
  bool running = false;
  std::int64_t epoch = 0;
  std::int64_t gen = 0;
  // False when what a crash of the store's server may have brought back must go first.
  bool intact = true;
};

// What a store's queue table says of a name: whether it is defined, its id, and the queue it
// stands for when it is an alias.
struct QueueLookup {
  bool found = false;
  std::int64_t id = 0;
  std::optional<std::string> aliasFor;  // none for a local queue
};

// What every backend does the same way between its statements: it keeps the start and the
// definitions' generation it connected in, breaks for good once the manager stopped or restarted,
// and resolves queue names (an alias to its base queue) through a cache that a change of the
// definitions empties. The backend reads the two rows; this class decides what they mean.
class ResolvingBackend : public StoreBackend {
 public:
  bool broken() const override { return broken_; }
  ReasonCode checkQueue(const std::string& queue) override;
  ReasonCode resolve(const std::string& queue, std::string& baseName) override;
  ReasonCode depth(const std::string& queue, std::int32_t& depth) override;
  ReasonCode maxDepth(const std::string& queue, std::int32_t& maxDepth) override;

 protected:
  struct QueueRef {
    ReasonCode status = reason::kNone;  // of the name itself: kUnknownObjectName
    bool alias = false;
    ReasonCode baseStatus = reason::kNone;  // of the queue it stands for
    std::int64_t baseId = 0;
    std::string baseName;
  };
  // What an operation on a queue works on: a local queue only, or the base queue of an alias.
  enum class Target { kLocalQueue, kBaseQueue };

  virtual ReasonCode readManagerRow(ManagerRow& row) = 0;
  virtual ReasonCode lookUpQueue(const std::string& name, QueueLookup& row) = 0;
  // Drops what the backend keeps per queue; called when the definitions changed.
  virtual void dropQueueCaches() {}
  // Discards what a crash of the store's server may have brought back (the manager's row said
  // it is not intact).
  virtual ReasonCode discardAfterCrash() { return reason::kNone; }
  // The two counts a queue's row answers for the monitor.
  enum class QueueCount {
    kDepth,     // the messages on it, less those expired
    kMaxDepth,  // the most it takes
  };
  // One attempt at one of those counts of a local queue.
  virtual Step queueCount(const std::string& queue, QueueCount which, std::int32_t& number) = 0;

  // Takes the manager's row as the connect read it; false when the manager is not running.
  bool connectedTo(const ManagerRow& row);
  std::int64_t epoch() const { return epoch_; }
  std::int64_t gen() const { return gen_; }
  void markBroken() { broken_ = true; }

  // The manager still running in the epoch connected in; asks for a retry when the definitions
  // changed since the names were resolved.
  Step checkManager();
  // A failure's reason as the store confirms it: the manager's state comes first.
  Step confirm(ReasonCode failure);
  // Begins one attempt at an operation: looks `queue` up. A name that does not resolve fails
  // with the reason the store confirms.
  Step startAttempt(const std::string& queue, Target target, const QueueRef*& ref);

 private:
  ReasonCode lookup(const std::string& queue, const QueueRef*& ref);

  std::int64_t epoch_ = 0;
  std::int64_t gen_ = 0;
  bool broken_ = false;
  bool stale_ = false;
  std::unordered_map<std::string, QueueRef> queues_;
};

}  // namespace kx
