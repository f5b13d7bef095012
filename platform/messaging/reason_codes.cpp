#include "platform/messaging/reason_codes.h"

#include <algorithm>
#include <array>
#include <cerrno>

#include "platform/messaging/report_word.h"

namespace kx {
namespace {

// One row for every code the client layer gives. `meaning` names what is involved through the
// marks {qmgr} and {queue}.
struct ReasonText {
  ReasonCode code;
  const char* name;
  const char* brief;
  const char* meaning;
};

constexpr std::array kReasonTexts = std::to_array<ReasonText>({
    {reason::kNone, "ok", "ok", "the operation succeeded"},
    {reason::kConnectionBroken, "connection broken",
     "connection broken: the queue manager was stopped since it connected",
     "the connection to {qmgr} was lost: it was stopped or went away since it connected"},
    {reason::kQueueManagerNotAvailable, "queue manager not available",
     "queue manager not available (stopped)", "{qmgr} is stopped or its store cannot be reached"},
    {reason::kNotConnected, "not connected", "queue manager not connected",
     "{queue} is bound to {qmgr}, which is not connected"},
    {reason::kOptionNotValidForType, "option not valid for type",
     "not valid for this kind of queue", "{queue} is of a kind that has no depth"},
    {reason::kSelectorNotForType, "selector not for type",
     "an alias queue has no depth; resolve it first",
     "{queue} is an alias; its depth is that of the queue it stands for"},
    {reason::kUnknownObjectName, "unknown object name", "unknown queue",
     "{qmgr} has no queue {queue}"},
    {reason::kMissingReplyToQueue, "missing reply-to queue", "no reply-to queue for a report",
     "a message asked for a report but named no reply-to queue"},
    {reason::kMessageTooBig, "message too big", "message too big",
     "the message is longer than {qmgr} takes"},
    {reason::kNoMessageAvailable, "no message available", "no message available",
     "{queue} holds no message that qualifies"},
    {reason::kNoMessageUnderCursor, "no message under cursor", "no message under the browse cursor",
     "the message the browse of {queue} stood on is gone"},
    {reason::kOptionsError, "options error", "unknown or conflicting options",
     "the open or get options hold unknown or conflicting bits"},
    {reason::kQueueFull, "queue full", "queue full", "{queue} holds as many messages as it may"},
    {reason::kQueueManagerNameError, "queue manager name error",
     "unknown or bad queue manager name",
     "there is no queue manager named {qmgr}, or the name is not valid"},
    {reason::kTruncatedMessageFailed, "truncated message failed", "message longer than the buffer",
     "a message on {queue} is longer than the buffer given for it"},
    {reason::kUnknownRemoteQueueManager, "unknown remote queue manager",
     "reply-to queue manager is another one",
     "a report was for another queue manager than {qmgr}, and queue managers do not exchange "
     "messages"},
    {reason::kObjectNameError, "object name error", "bad queue name",
     "{queue} is not a valid queue name (1 to 48 characters from A-Z a-z 0-9 . _ % /)"},
    {reason::kStoreDamaged, "store damaged", "the store file is damaged or not a store",
     "the store of {qmgr} is damaged or not a store ('kxadmin check' says more)"},
    {reason::kStoreBusy, "store busy", "the store stayed locked by another process",
     "another process held the store of {qmgr} locked for too long"},
    {reason::kStoreIoError, "store I/O error", "an I/O error while reading or writing the store",
     "reading or writing the store of {qmgr} failed"},
    {reason::kFieldTooLong, "field too long", "a descriptor field is longer than its width",
     "a descriptor field is longer than its width"},
    {reason::kQueueNotBound, "queue not bound", "queue not bound to a queue manager",
     "{queue} is not bound to a queue manager"},
    {reason::kNotAliasable, "not aliasable", "an alias cannot stand for an alias",
     "an alias cannot stand for another alias"},
    {reason::kObjectAlreadyExists, "object already exists", "already exists",
     "the name is already taken"},
    {reason::kQueueManagerRunning, "queue manager running", "queue manager is running",
     "{qmgr} is running; stop it first"},
    {reason::kQueueManagerStopped, "queue manager stopped", "queue manager is already stopped",
     "{qmgr} is already stopped"},
    {reason::kQueueNotEmpty, "queue not empty", "queue holds messages",
     "{queue} still holds messages"},
    {reason::kValueError, "value error", "value out of range", "a number is outside its range"},
    {reason::kNoDefaultQueueManager, "no default queue manager", "no default queue manager",
     "no queue manager was named and none is marked as the default"},
    {reason::kExpiryError, "expiry error", "expiry must be positive or unlimited (-1)",
     "an expiry must be positive, or -1 for unlimited"},
    {reason::kPriorityError, "priority error", "priority must be 0 to 9 (or -1)",
     "a priority must be 0 to 9, or -1"},
    {reason::kResourceProblem, "resource problem", "out of memory",
     "the program ran out of memory"},
    {reason::kInternalError, "internal error", "unexpected store error",
     "the store of {qmgr} failed in an unexpected way"},
    {reason::kStoreFull, "store full", "the disk holding the store is full",
     "the disk holding the store of {qmgr} is full"},
    {reason::kStoreNoAccess, "store no access",
     "permission denied on a store file or the data directory",
     "permission denied on a file or folder of the store of {qmgr}"},
    {reason::kStoreReadOnly, "store read-only", "the store is read-only",
     "the store of {qmgr} or its file system is read-only"},
    {reason::kDataDirectoryUnsafe, "data directory unsafe",
     "the data directory may be written by every user",
     "every user may write the data directory of the store"},
    {reason::kDatabaseUnreachable, "database unreachable",
     "the queue manager's database server cannot be reached",
     "the database server that keeps {qmgr} cannot be reached"},
    {reason::kQueueManagerGone, "queue manager gone",
     "the queue manager's database or schema is gone",
     "the database or schema that kept {qmgr} is gone"},
    {reason::kDatabaseNoAccess, "database no access",
     "permission denied in the queue manager's database",
     "the database that keeps {qmgr} denies this user a right it needs"},
    // Feedback codes: what a report message is.
    {feedback::kExpiration, "expiration", "expiration report",
     "the original message expired and was discarded"},
    {feedback::kCoa, "confirm on arrival", "confirm-on-arrival report",
     "the original message arrived on its queue"},
    {feedback::kCod, "confirm on delivery", "confirm-on-delivery report",
     "the original message was taken from its queue"},
    {feedback::kPan, "positive action", "positive action notification",
     "the receiving application acted on the original message"},
    {feedback::kNan, "negative action", "negative action notification",
     "the receiving application could not act on the original message"},
});

constexpr ReasonText kUnknownReason{0, "unknown reason", "unknown reason",
                                    "a code this version does not know"};

const ReasonText& textOf(ReasonCode code) {
  const auto* found = std::find_if(kReasonTexts.begin(), kReasonTexts.end(),
                                   [code](const ReasonText& row) { return row.code == code; });
  return found != kReasonTexts.end() ? *found : kUnknownReason;
}

// The meaning with each mark replaced by its name, or by what it stands for when the name is
// not known.
std::string withNames(std::string_view meaning, std::string_view manager, std::string_view queue) {
  struct Mark {
    std::string_view mark;
    std::string_view name;
    std::string_view unnamed;
  };
  const Mark marks[] = {{"{qmgr}", manager, "the queue manager"}, {"{queue}", queue, "the queue"}};
  std::string text;
  while (!meaning.empty()) {
    const Mark* next = nullptr;
    std::size_t at = std::string_view::npos;
    for (const Mark& m : marks) {
      const std::size_t found = meaning.find(m.mark);
      if (found < at) {
        at = found;
        next = &m;
      }
    }
    if (next == nullptr) break;
    text.append(meaning.substr(0, at));
    text.append(next->name.empty() ? next->unnamed : next->name);
    meaning.remove_prefix(at + next->mark.size());
  }
  text.append(meaning);
  return text;
}

}  // namespace

ReasonCode reasonFromSystemError(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
      return reason::kStoreFull;
    case EACCES:
    case EPERM:
      return reason::kStoreNoAccess;
    case EROFS:
      return reason::kStoreReadOnly;
    default:
      return reason::kStoreIoError;
  }
}

const char* describeReason(ReasonCode code) { return textOf(code).brief; }

const char* reasonName(ReasonCode code) { return textOf(code).name; }

std::string explainReason(ReasonCode code, std::string_view manager, std::string_view queue) {
  const ReasonText& text = textOf(code);
  std::string line = std::to_string(code) + ": " + text.name;
  if (&text != &kUnknownReason) line += ": " + withNames(text.meaning, manager, queue);
  return line;
}

}  // namespace kx
