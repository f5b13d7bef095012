#include "platform/messaging/queue_manager.h"

#include <algorithm>
#include <new>
#include <vector>

#include "platform/messaging/names.h"
#include "platform/messaging/queue.h"
#include "platform/messaging/store/backend_factory.h"
#include "platform/messaging/store/seam_calls.h"
#include "platform/messaging/store_location.h"

namespace kx {

struct IkxQueueManager::Bound {
  std::vector<IkxQueue*> queues;
};

IkxQueueManager::IkxQueueManager() : bound_(std::make_unique<Bound>()) {}

IkxQueueManager::~IkxQueueManager() {
  disconnect();
  // Queues outliving their manager become unbound: they fail with kNotConnected, never dangle.
  for (IkxQueue* queue : bound_->queues) queue->unbind();
  seam::trace(TraceEvent::ManagerDestroyed, this, name_);
}

void IkxQueueManager::setManagerName(std::string_view name) { name_ = name; }

bool IkxQueueManager::connect() {
  try {
    if (connection_) disconnect();
    problem_.clear();
    std::string name = name_;
    if (name.empty()) {
      std::string problem;
      if (const ReasonCode why = findDefaultQueueManager(name, problem); why != reason::kNone) {
        reason_ = why;
        return false;
      }
    }
    if (const ReasonCode why = validateName(name, NameKind::QueueManager); why != reason::kNone) {
      reason_ = why;
      return false;
    }
    std::unique_ptr<StoreBackend> connection;
    if (const ReasonCode why = connectBackend(name, connection, problem_); why != reason::kNone) {
      reason_ = why;
      return false;
    }
    connection_ = std::move(connection);
    if (inDoubt_) connection_->adoptTakesInDoubt(std::move(inDoubt_));
    name_ = std::move(name);
    reason_ = reason::kNone;
    return true;
  } catch (const std::bad_alloc&) {
    reason_ = reason::kResourceProblem;
  } catch (...) {
    reason_ = reason::kInternalError;
  }
  return false;
}

bool IkxQueueManager::disconnect() {
  reason_ = reason::kNone;
  if (!connection_) return true;
  // The handles of the queues die with the connection; the objects stay bound and reopen later.
  for (IkxQueue* queue : bound_->queues) {
    if (queue->isOpen()) queue->close();
  }
  if (auto left = connection_->releaseTakesInDoubt()) inDoubt_ = std::move(left);
  connection_.reset();
  seam::trace(TraceEvent::ManagerDisconnected, this, name_);
  return true;
}

bool IkxQueueManager::connected() const { return connection_ != nullptr; }

StoreBackend* IkxQueueManager::store(ReasonCode& why) {
  if (!connection_) {
    why = reason::kNotConnected;
    return nullptr;
  }
  if (connection_->broken()) {
    why = reason::kConnectionBroken;
    return nullptr;
  }
  why = reason::kNone;
  return connection_.get();
}

void IkxQueueManager::attach(IkxQueue* queue) { bound_->queues.push_back(queue); }

void IkxQueueManager::detach(IkxQueue* queue) { std::erase(bound_->queues, queue); }

}  // namespace kx
