#include "monitor/queue_slots.h"

#include <algorithm>

namespace tarnix {

QueueSlots::QueueSlots() : manager_(std::make_unique<kx::IkxQueueManager>()) {
  for (auto& queue : queues_) queue = std::make_unique<kx::IkxQueue>();
}

QueueSlots::~QueueSlots() { release(); }

void QueueSlots::setQueueNames(std::span<const std::string> names) {
  for (int k = 0; k < kSlotCount; ++k) {
    queueNames_[k] = k < static_cast<int>(names.size()) ? names[k] : std::string();
  }
}

bool QueueSlots::connect() {
  manager_->setManagerName(managerName_);
  return manager_->connect();
}

int QueueSlots::bindQueues() {
  int longest = 0;
  for (int k = 0; k < kSlotCount && used(k); ++k) {
    kx::IkxQueue& queue = *queues_[k];
    queue.setQueueName(queueNames_[k]);
    longest = std::max(longest, static_cast<int>(queueNames_[k].size()));
    queue.bindManager(*manager_);
    const std::string resolved = queue.resolvedName();
    if (queue.reason() == kx::reason::kNone) {
      queue.close();
      queue.setQueueName(resolved);
      queue.bindManager(*manager_);
    }
  }
  return longest;
}

void QueueSlots::release() {
  for (int k = kSlotCount - 1; k >= 0; --k) queues_[k].reset();
  manager_.reset();
}

int selectedSlot(const tk::Window& window) {
  int slot = 0;
  for (int k = 1; k < kSlotCount; ++k) {
    if (window.isChecked(ctl::selectButton(k))) slot = k;
  }
  return slot;
}

}  // namespace tarnix
