#include "platform/messaging/store/admin_checks.h"

#include "platform/messaging/names.h"
#include "platform/messaging/queue_message.h"

namespace kx::admin {

Status failure(ReasonCode why, const std::string& what, std::string_view kept) {
  if (kept.empty()) return Status{why, what};
  return Status{why, what + "; " + std::string(kept)};
}

Status storeFailure(ReasonCode why, std::string_view kept) {
  return failure(why, describeReason(why), kept);
}

Status checkManagerName(std::string_view manager, std::string_view kept) {
  if (validateName(manager, NameKind::QueueManager) == reason::kNone) return {};
  return failure(reason::kQueueManagerNameError,
                 "bad queue manager name " + quotedName(manager) +
                     " (1 to 48 characters from A-Z a-z 0-9 . _ %)",
                 kept);
}

Status checkQueueName(std::string_view queue, std::string_view kept) {
  if (validateName(queue, NameKind::Queue) == reason::kNone) return {};
  return failure(
      reason::kObjectNameError,
      "bad queue name " + quotedName(queue) + " (1 to 48 characters from A-Z a-z 0-9 . _ / %)",
      kept);
}

Status checkNames(std::string_view manager, std::string_view queue, std::string_view kept) {
  if (Status status = checkManagerName(manager, kept); !status) return status;
  return checkQueueName(queue, kept);
}

Status checkMaxDepth(std::int32_t maxDepth, std::string_view kept) {
  if (maxDepth >= 0 && maxDepth <= kMaxMaxDepth) return {};
  return failure(reason::kValueError,
                 "max depth " + std::to_string(maxDepth) + " is not within 0 to 999999999", kept);
}

Status checkAliasNames(std::string_view manager, std::string_view alias, std::string_view target,
                       std::string_view kept) {
  if (Status status = checkNames(manager, alias, kept); !status) return status;
  if (Status status = checkQueueName(target, kept); !status) return status;
  if (alias == target) {
    return failure(reason::kNotAliasable, "alias " + quotedName(alias) + " cannot stand for itself",
                   kept);
  }
  return {};
}

Status checkLoad(std::string_view manager, std::string_view queue, std::int64_t count,
                 std::size_t size, std::string_view kept) {
  if (Status status = checkNames(manager, queue, kept); !status) return status;
  if (count < 0 || size > kMaxMessageLength) {
    return failure(reason::kValueError, "bad message count or size", kept);
  }
  return {};
}

std::string queueLabel(std::string_view manager, std::string_view queue) {
  return "queue " + quotedName(queue) + " on " + quotedName(manager);
}

Status QueueDefinitions::find(std::string_view queue, std::string_view kept,
                              QueueDefinition& definition, bool throughAlias) {
  ReasonCode why = read(queue, definition);
  if (why == reason::kNone && throughAlias && definition.found && definition.alias) {
    const std::string target = definition.target;
    why = read(target, definition);
  }
  if (why != reason::kNone) return failed(why, kept);
  if (!definition.found) {
    return failure(reason::kUnknownObjectName, queueLabel(manager_, queue) + " does not exist",
                   kept);
  }
  return {};
}

Status QueueDefinitions::checkUndefined(std::string_view queue, std::string_view kept) {
  QueueDefinition definition;
  if (const ReasonCode why = read(queue, definition); why != reason::kNone) {
    return failed(why, kept);
  }
  if (definition.found) {
    return failure(reason::kObjectAlreadyExists, queueLabel(manager_, queue) + " already exists",
                   "it was left as it was");
  }
  return {};
}

Status QueueDefinitions::checkAliasable(std::string_view alias, std::string_view target,
                                        std::string_view kept) {
  if (Status status = checkUndefined(alias, kept); !status) return status;
  QueueDefinition definition;
  if (const ReasonCode why = read(target, definition); why != reason::kNone) {
    return failed(why, kept);
  }
  if (definition.found && definition.alias) {
    return failure(
        reason::kNotAliasable,
        quotedName(target) + " is itself an alias; an alias must stand for a local queue", kept);
  }
  // Nor may an existing alias come to stand for this new alias.
  std::string pointing;
  if (const ReasonCode why = aliasOf(alias, pointing); why != reason::kNone) {
    return failed(why, kept);
  }
  if (!pointing.empty()) {
    return failure(reason::kNotAliasable,
                   "alias " + quotedName(pointing) + " already stands for " + quotedName(alias) +
                       "; an alias cannot stand for an alias",
                   kept);
  }
  return {};
}

}  // namespace kx::admin
