#include "platform/messaging/store/resolving_backend.h"

#include <utility>

namespace kx {
namespace {

constexpr std::size_t kMaxCachedNames = 1024;

}  // namespace

bool ResolvingBackend::connectedTo(const ManagerRow& row) {
  epoch_ = row.epoch;
  gen_ = row.gen;
  return row.running;
}

Step ResolvingBackend::checkManager() {
  if (broken_) return reason::kConnectionBroken;
  ManagerRow manager;
  if (const ReasonCode why = readManagerRow(manager); why != reason::kNone) return why;
  if (!manager.intact) {
    if (const ReasonCode why = discardAfterCrash(); why != reason::kNone) return why;
    return Step::again(Retry::kAfterCrash);
  }
  if (!manager.running || manager.epoch != epoch_) {
    broken_ = true;
    return reason::kConnectionBroken;
  }
  if (manager.gen != gen_) {
    gen_ = manager.gen;
    stale_ = true;
    return Step::again(Retry::kDefinitionsChanged);
  }
  return reason::kNone;
}

Step ResolvingBackend::confirm(ReasonCode failure) {
  const Step state = checkManager();
  return state.ok() ? Step(failure) : state;
}

ReasonCode ResolvingBackend::lookup(const std::string& queue, const QueueRef*& ref) {
  if (auto it = queues_.find(queue); it != queues_.end()) {
    ref = &it->second;
    return reason::kNone;
  }
  QueueRef entry;
  QueueLookup row;
  if (const ReasonCode why = lookUpQueue(queue, row); why != reason::kNone) return why;
  if (!row.found) {
    entry.status = reason::kUnknownObjectName;
  } else if (!row.aliasFor) {
    entry.baseId = row.id;
    entry.baseName = queue;
  } else {
    entry.alias = true;
    const std::string target = *row.aliasFor;
    if (const ReasonCode why = lookUpQueue(target, row); why != reason::kNone) return why;
    if (!row.found) {
      entry.baseStatus = reason::kUnknownObjectName;
    } else if (row.aliasFor) {
      entry.baseStatus = reason::kNotAliasable;
    } else {
      entry.baseId = row.id;
      entry.baseName = target;
    }
  }
  if (queues_.size() >= kMaxCachedNames) queues_.clear();
  ref = &queues_.emplace(queue, std::move(entry)).first->second;
  return reason::kNone;
}

Step ResolvingBackend::startAttempt(const std::string& queue, Target target, const QueueRef*& ref) {
  // Caches go only between operations: callers hold references into them during one.
  if (stale_) {
    queues_.clear();
    dropQueueCaches();
    stale_ = false;
  }
  if (broken_) return reason::kConnectionBroken;
  if (const ReasonCode why = lookup(queue, ref); why != reason::kNone) return why;
  if (ref->status != reason::kNone) return confirm(ref->status);
  if (target == Target::kLocalQueue && ref->alias) return confirm(reason::kSelectorNotForType);
  if (ref->baseStatus != reason::kNone) return confirm(ref->baseStatus);
  return reason::kNone;
}

ReasonCode ResolvingBackend::checkQueue(const std::string& queue) {
  std::string ignored;
  return resolve(queue, ignored);
}

ReasonCode ResolvingBackend::resolve(const std::string& queue, std::string& baseName) {
  return runAttempts([&]() -> Step {
    // Asked of the store every time, so that opening a queue notices a stopped manager.
    if (const Step state = checkManager(); !state.ok()) return state;
    const QueueRef* ref = nullptr;
    if (const Step step = startAttempt(queue, Target::kBaseQueue, ref); !step.ok()) return step;
    baseName = ref->baseName;
    return reason::kNone;
  });
}

ReasonCode ResolvingBackend::depth(const std::string& queue, std::int32_t& depth) {
  return runAttempts([&] { return queueCount(queue, QueueCount::kDepth, depth); });
}

ReasonCode ResolvingBackend::maxDepth(const std::string& queue, std::int32_t& maxDepth) {
  return runAttempts([&] { return queueCount(queue, QueueCount::kMaxDepth, maxDepth); });
}

}  // namespace kx
