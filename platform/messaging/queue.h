#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/messaging/get_options.h"
#include "platform/messaging/queue_message.h"
#include "platform/messaging/reason_codes.h"

namespace kx {

class IkxQueueManager;
class StoreBackend;

// A named queue bound to one IkxQueueManager. Every operation leaves its reason on the object.
//
// Each object keeps its own browse cursor. Operations open the queue as they need to; openWith
// records the caller's intent and checks that the queue exists. A queue object whose manager is
// disconnected fails with kNotConnected and works again, unchanged, once that manager reconnects.
class IkxQueue {
 public:
  IkxQueue();
  ~IkxQueue();  // closes
  IkxQueue(const IkxQueue&) = delete;
  IkxQueue& operator=(const IkxQueue&) = delete;

  void setQueueName(std::string_view name);
  const std::string& queueName() const { return name_; }

  void bindManager(IkxQueueManager& manager);
  bool openWith(std::int32_t openOptions);
  bool close();
  bool isOpen() const { return open_; }

  // -1, with a non-zero reason, when the query fails.
  std::int32_t queryDepth();
  std::int32_t queryMaxDepth();
  // The queue this name stands for: an alias gives its base queue, a local queue its own name.
  // Empty, with a non-zero reason, when it fails.
  std::string resolvedName();

  bool get(QueueMessage& message, const GetOptions& options);
  bool put(QueueMessage& message);

  ReasonCode reason() const { return reason_; }

 private:
  friend class IkxQueueManager;
  void unbind() { manager_ = nullptr; }
  // The manager's connection for one operation, or null with the reason it must fail with.
  StoreBackend* storeFor(std::string_view operation, ReasonCode& why);
  ReasonCode openAsNeeded(StoreBackend& store, std::int32_t mode);
  // A count the store keeps for the queue (its depth or maximum depth); -1 when it fails.
  using CountQuery = ReasonCode (StoreBackend::*)(const std::string&, std::int32_t&);
  std::int32_t inquireCount(std::string_view operation, CountQuery query);

  std::string name_;
  IkxQueueManager* manager_ = nullptr;
  ReasonCode reason_ = reason::kNone;
  bool open_ = false;
  std::int32_t openOptions_ = 0;
  std::int64_t cursor_ = 0;  // store id of the message last browsed; 0 before the first browse
};

}  // namespace kx
