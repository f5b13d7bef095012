#pragma once

#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/messaging/store/internal.h"
#include "platform/messaging/store_admin.h"

// What the administration of every kind of store says and checks the same way: the one-line
// failures an operator reads, the checks of names and numbers, and the look-up of a queue's
// definition that a change needs.
namespace kx::admin {

inline constexpr std::int32_t kMaxMaxDepth = 999'999'999;
inline constexpr const char* kNothingChanged = "nothing was changed";
// What a failure of a read (a list, a check) says it kept: nothing, as a read changes nothing.
inline constexpr const char* kJustRead = "";

// A failure: what was wrong, then what was kept ("nothing was changed"), unless it was a read.
Status failure(ReasonCode why, const std::string& what, std::string_view kept);

// A failure of the store itself, in the words of its reason.
Status storeFailure(ReasonCode why, std::string_view kept);

Status checkManagerName(std::string_view manager, std::string_view kept);
Status checkQueueName(std::string_view queue, std::string_view kept);
Status checkNames(std::string_view manager, std::string_view queue, std::string_view kept);
Status checkMaxDepth(std::int32_t maxDepth, std::string_view kept);
// The names of a new alias and its target, which are not the same.
Status checkAliasNames(std::string_view manager, std::string_view alias, std::string_view target,
                       std::string_view kept);
// The names, and a count and size of messages that a quick fill can put.
Status checkLoad(std::string_view manager, std::string_view queue, std::int64_t count,
                 std::size_t size, std::string_view kept);

// "queue 'Q' on 'QM'", as the administration's lines name a queue.
std::string queueLabel(std::string_view manager, std::string_view queue);

// A queue's definition as the administration reads it: its row, and its depth as clients see it.
struct QueueDefinition {
  bool found = false;
  std::int64_t id = 0;
  bool alias = false;
  std::string target;  // the base queue of an alias
  std::int64_t depth = 0;
  std::int64_t maxDepth = 0;
  std::int64_t nextSeq = 0;  // where the store keeps it with the definition
};

// How one change of a store reads the definitions of its queues, and words its own failures.
class QueueDefinitions {
 public:
  explicit QueueDefinitions(std::string_view manager) : manager_(manager) {}
  virtual ~QueueDefinitions() = default;

  virtual ReasonCode read(std::string_view queue, QueueDefinition& definition) = 0;
  virtual Status failed(ReasonCode why, std::string_view kept) const = 0;
  // The name of an alias that stands for `queue`, or empty when none does.
  virtual ReasonCode aliasOf(std::string_view queue, std::string& alias) = 0;

  // The definition of a queue that must exist; of an alias's base queue when `throughAlias` is
  // set.
  Status find(std::string_view queue, std::string_view kept, QueueDefinition& definition,
              bool throughAlias = false);
  // Refuses a name that is already defined, as a local queue or as an alias.
  Status checkUndefined(std::string_view queue, std::string_view kept);
  // Whether a new alias may stand for `target`: the alias is not defined yet, the target is not
  // an alias, and no alias stands for the new one.
  Status checkAliasable(std::string_view alias, std::string_view target, std::string_view kept);

 private:
  std::string_view manager_;
};

// Runs one administration call so that nothing thrown inside reaches the caller: a failure that
// cannot be foreseen still comes back as a status with its line.
template <typename Operation>
Status guarded(Operation&& operation) {
  try {
    return operation();
  } catch (const std::bad_alloc&) {
    return Status{reason::kResourceProblem, "out of memory; nothing was changed"};
  } catch (const std::exception& error) {
    return Status{reason::kInternalError, std::string(error.what()) + "; nothing was changed"};
  } catch (...) {
    return Status{reason::kInternalError, "an unexpected failure; nothing was changed"};
  }
}

}  // namespace kx::admin
