#include "platform/messaging/reason_codes.h"

#include <cerrno>

namespace kx {

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

const char* describeReason(ReasonCode code) {
  switch (code) {
    case reason::kNone:
      return "ok";
    case reason::kConnectionBroken:
      return "connection broken: the queue manager was stopped since it connected";
    case reason::kQueueManagerNotAvailable:
      return "queue manager not available (stopped)";
    case reason::kNotConnected:
      return "queue manager not connected";
    case reason::kOptionNotValidForType:
      return "not valid for this kind of queue";
    case reason::kSelectorNotForType:
      return "an alias queue has no depth; resolve it first";
    case reason::kUnknownObjectName:
      return "unknown queue";
    case reason::kMessageTooBig:
      return "message too big";
    case reason::kNoMessageAvailable:
      return "no message available";
    case reason::kNoMessageUnderCursor:
      return "no message under the browse cursor";
    case reason::kOptionsError:
      return "unknown or conflicting options";
    case reason::kQueueFull:
      return "queue full";
    case reason::kQueueManagerNameError:
      return "unknown or bad queue manager name";
    case reason::kTruncatedMessageFailed:
      return "message longer than the buffer";
    case reason::kObjectNameError:
      return "bad queue name";
    case reason::kStoreDamaged:
      return "the store file is damaged or not a store";
    case reason::kStoreBusy:
      return "the store stayed locked by another process";
    case reason::kStoreIoError:
      return "an I/O error while reading or writing the store";
    case reason::kFieldTooLong:
      return "a descriptor field is longer than its width";
    case reason::kQueueNotBound:
      return "queue not bound to a queue manager";
    case reason::kNotAliasable:
      return "an alias cannot stand for an alias";
    case reason::kObjectAlreadyExists:
      return "already exists";
    case reason::kQueueManagerRunning:
      return "queue manager is running";
    case reason::kQueueManagerStopped:
      return "queue manager is already stopped";
    case reason::kQueueNotEmpty:
      return "queue holds messages";
    case reason::kValueError:
      return "value out of range";
    case reason::kNoDefaultQueueManager:
      return "no default queue manager";
    case reason::kExpiryError:
      return "expiry must be positive or unlimited (-1)";
    case reason::kPriorityError:
      return "priority must be 0 to 9 (or -1)";
    case reason::kResourceProblem:
      return "out of memory";
    case reason::kInternalError:
      return "unexpected store error";
    case reason::kStoreFull:
      return "the disk holding the store is full";
    case reason::kStoreNoAccess:
      return "permission denied on a store file or the data directory";
    case reason::kStoreReadOnly:
      return "the store is read-only";
    case reason::kDataDirectoryUnsafe:
      return "the data directory may be written by every user";
    case reason::kDatabaseUnreachable:
      return "the queue manager's database server cannot be reached";
    case reason::kQueueManagerGone:
      return "the queue manager's database or schema is gone";
    case reason::kDatabaseNoAccess:
      return "permission denied in the queue manager's database";
    default:
      return "unknown reason";
  }
}

}  // namespace kx
