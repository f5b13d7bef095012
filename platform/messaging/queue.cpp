#include "platform/messaging/queue.h"

#include <new>

#include "platform/messaging/names.h"
#include "platform/messaging/queue_manager.h"
#include "platform/messaging/store/seam_calls.h"
#include "platform/messaging/store/store_backend.h"

namespace kx {
namespace {

// Open options the store understands: input (as defined, shared, exclusive), browse, output,
// inquire, and fail-if-quiescing, which never applies since the store never quiesces.
constexpr std::int32_t kOpenInput = 0x1;
constexpr std::int32_t kOpenBrowse = 0x8;
constexpr std::int32_t kOpenInquire = 0x20;
constexpr std::int32_t kKnownOpenOptions = kOpenInput | 0x2 | 0x4 | kOpenBrowse | openopt::kOutput |
                                           kOpenInquire | getopt::kFailIfQuiescing;

// Runs one operation so that nothing thrown inside reaches the caller.
template <typename Operation>
ReasonCode guarded(Operation&& operation) {
  try {
    return operation();
  } catch (const std::bad_alloc&) {
    return reason::kResourceProblem;
  } catch (...) {
    return reason::kInternalError;
  }
}

}  // namespace

IkxQueue::IkxQueue() = default;

IkxQueue::~IkxQueue() {
  if (open_) close();
  seam::trace(TraceEvent::QueueDestroyed, this, name_);
  if (manager_ != nullptr) manager_->detach(this);
}

void IkxQueue::setQueueName(std::string_view name) {
  if (name == name_) return;
  if (open_) close();
  name_ = name;
  cursor_ = 0;
}

void IkxQueue::bindManager(IkxQueueManager& manager) {
  if (manager_ == &manager) return;
  if (open_) close();
  if (manager_ != nullptr) manager_->detach(this);
  manager_ = &manager;
  manager.attach(this);
  cursor_ = 0;
}

StoreBackend* IkxQueue::storeFor(std::string_view operation, ReasonCode& why) {
  if ((why = seam::fault(name_, operation)) != reason::kNone) return nullptr;
  if ((why = validateName(name_, NameKind::Queue)) != reason::kNone) return nullptr;
  if (manager_ == nullptr) {
    why = reason::kNotConnected;
    return nullptr;
  }
  return manager_->store(why);
}

ReasonCode IkxQueue::openAsNeeded(StoreBackend& store, std::int32_t mode) {
  if (!open_) {
    if (const ReasonCode why = store.checkQueue(name_); why != reason::kNone) return why;
    open_ = true;
  }
  openOptions_ |= mode;
  return reason::kNone;
}

bool IkxQueue::openWith(std::int32_t openOptions) {
  reason_ = guarded([&]() -> ReasonCode {
    ReasonCode why = reason::kNone;
    StoreBackend* store = storeFor("openWith", why);
    if (store == nullptr) return why;
    if (openOptions == 0 || (openOptions & ~kKnownOpenOptions) != 0) return reason::kOptionsError;
    if ((why = store->checkQueue(name_)) != reason::kNone) return why;
    open_ = true;
    openOptions_ = openOptions;
    return reason::kNone;
  });
  return reason_ == reason::kNone;
}

bool IkxQueue::close() {
  reason_ = reason::kNone;
  if (!open_) return true;
  open_ = false;
  openOptions_ = 0;
  cursor_ = 0;
  seam::trace(TraceEvent::QueueClosed, this, name_);
  return true;
}

std::int32_t IkxQueue::queryDepth() { return inquireCount("queryDepth", &StoreBackend::depth); }

std::int32_t IkxQueue::queryMaxDepth() {
  return inquireCount("queryMaxDepth", &StoreBackend::maxDepth);
}

std::int32_t IkxQueue::inquireCount(std::string_view operation, CountQuery query) {
  std::int32_t count = -1;
  reason_ = guarded([&] {
    ReasonCode why = reason::kNone;
    StoreBackend* store = storeFor(operation, why);
    if (store == nullptr) return why;
    if ((why = openAsNeeded(*store, kOpenInquire)) != reason::kNone) return why;
    return (store->*query)(name_, count);
  });
  return reason_ == reason::kNone ? count : -1;
}

std::string IkxQueue::resolvedName() {
  std::string base;
  reason_ = guarded([&] {
    ReasonCode why = reason::kNone;
    StoreBackend* store = storeFor("resolvedName", why);
    if (store == nullptr) return why;
    if ((why = store->resolve(name_, base)) != reason::kNone) return why;
    return openAsNeeded(*store, kOpenInquire);
  });
  if (reason_ != reason::kNone) base.clear();
  return base;
}

bool IkxQueue::get(QueueMessage& message, const GetOptions& options) {
  reason_ = guarded([&] {
    ReasonCode why = reason::kNone;
    StoreBackend* store = storeFor("get", why);
    if (store == nullptr) return why;
    const bool browse = options.options & (getopt::kBrowseFirst | getopt::kBrowseNext);
    if ((why = openAsNeeded(*store, browse ? kOpenBrowse : kOpenInput)) != reason::kNone) {
      return why;
    }
    return store->get(name_, message, options.options, cursor_);
  });
  return reason_ == reason::kNone;
}

bool IkxQueue::put(QueueMessage& message) {
  reason_ = guarded([&] {
    ReasonCode why = reason::kNone;
    StoreBackend* store = storeFor("put", why);
    if (store == nullptr) return why;
    if ((why = openAsNeeded(*store, openopt::kOutput)) != reason::kNone) return why;
    return store->put(name_, message);
  });
  return reason_ == reason::kNone;
}

}  // namespace kx
