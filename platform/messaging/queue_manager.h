#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/messaging/reason_codes.h"

namespace kx {

class StoreBackend;
class TakesInDoubt;
class IkxQueue;

// One connection to a queue manager of the embedded store. Named before it connects; the empty
// name means the default queue manager. Used by one thread at a time.
class IkxQueueManager {
 public:
  IkxQueueManager();
  ~IkxQueueManager();  // disconnects
  IkxQueueManager(const IkxQueueManager&) = delete;
  IkxQueueManager& operator=(const IkxQueueManager&) = delete;

  void setManagerName(std::string_view name);
  // The name given, or after connecting to the default queue manager, its real name.
  const std::string& managerName() const { return name_; }

  bool connect();
  bool disconnect();
  bool connected() const;
  ReasonCode reason() const { return reason_; }
  // What the store said when the last connect failed, in its own words (a database server's
  // reason, say); empty when the reason code says all there is.
  const std::string& problem() const { return problem_; }

 private:
  friend class IkxQueue;
  // The connection's store, or null with the reason an operation must fail with.
  StoreBackend* store(ReasonCode& why);
  void attach(IkxQueue* queue);
  void detach(IkxQueue* queue);

  std::string name_;
  ReasonCode reason_ = reason::kNone;
  std::string problem_;
  std::unique_ptr<StoreBackend> connection_;
  // Takes whose commit went unanswered when a connection broke, for the next one to settle.
  std::unique_ptr<TakesInDoubt> inDoubt_;
  struct Bound;
  std::unique_ptr<Bound> bound_;  // queues bound to this manager, unbound when it goes
};

}  // namespace kx
