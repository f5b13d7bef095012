#pragma once

#include <array>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "monitor/monitor_controls.h"
#include "platform/messaging/queue.h"
#include "platform/messaging/queue_manager.h"
#include "platform/toolkit/window.h"

namespace tarnix {

// The monitor's connection to one queue manager and its five queue slots: each slot's queue name
// as the operator gave it, and the queue object that reads it. Slots after the last name stay
// empty, so the used slots are always the first ones.
class QueueSlots {
 public:
  // Makes the queue manager and the five queue objects, not yet connected or named.
  QueueSlots();
  // Releases what release() has not.
  ~QueueSlots();
  QueueSlots(const QueueSlots&) = delete;
  QueueSlots& operator=(const QueueSlots&) = delete;

  // The queue manager as the operator named it; empty names the default one.
  void setManagerName(std::string_view name) { managerName_ = name; }
  const std::string& managerName() const { return managerName_; }
  void setQueueNames(std::span<const std::string> names);

  const std::string& queueName(int slot) const { return queueNames_[slot]; }
  bool used(int slot) const { return !queueNames_[slot].empty(); }
  kx::IkxQueueManager& manager() { return *manager_; }
  const kx::IkxQueueManager& manager() const { return *manager_; }
  kx::IkxQueue& queue(int slot) { return *queues_[slot]; }
  // The queue the slot's queue object reads: an alias's base queue once bound.
  const std::string& boundQueueName(int slot) const { return queues_[slot]->queueName(); }

  // Names the connection after the operator's name and connects it; false, with its reason in
  // manager(), when that fails.
  bool connect();
  // Points each named slot's queue object at its queue. An alias is followed to its base queue so
  // that its depth can be read, while queueName keeps the name the operator gave. A queue that
  // cannot be inquired keeps its name and shows its reason at the first poll. Gives the length of
  // the longest name.
  int bindQueues();
  // Teardown: the five queue objects from the fifth to the first, then the queue manager.
  void release();

 private:
  std::string managerName_;
  std::unique_ptr<kx::IkxQueueManager> manager_;
  std::array<std::unique_ptr<kx::IkxQueue>, kSlotCount> queues_;
  std::array<std::string, kSlotCount> queueNames_;
};

// The slot whose select button is checked: the highest of slots 1 to 4 that is, else 0.
int selectedSlot(const tk::Window& window);

}  // namespace tarnix
