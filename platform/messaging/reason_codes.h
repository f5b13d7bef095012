#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kx {

// The reason an operation leaves on its object; 0 only after a success.
using ReasonCode = std::int32_t;

namespace reason {

inline constexpr ReasonCode kNone = 0;

// Numbers that callers tell apart.
inline constexpr ReasonCode kConnectionBroken = 2009;          // manager stopped since connect
inline constexpr ReasonCode kQueueManagerNotAvailable = 2059;  // connect while stopped
inline constexpr ReasonCode kNotConnected = 6109;              // queue's manager is not connected
inline constexpr ReasonCode kOptionNotValidForType = 2045;     // the queue kind has no depth
inline constexpr ReasonCode kSelectorNotForType = 2068;        // depth asked of an alias
inline constexpr ReasonCode kUnknownObjectName = 2085;         // no such queue

// Every other failure has a distinct code of its own.
inline constexpr ReasonCode kMissingReplyToQueue = 2027;        // a report for no reply-to queue
inline constexpr ReasonCode kMessageTooBig = 2030;              // longer than the store accepts
inline constexpr ReasonCode kNoMessageAvailable = 2033;         // nothing qualifies for the get
inline constexpr ReasonCode kNoMessageUnderCursor = 2034;       // the browsed message is gone
inline constexpr ReasonCode kOptionsError = 2046;               // unknown open or get option bits
inline constexpr ReasonCode kQueueFull = 2053;                  // put onto a queue at max depth
inline constexpr ReasonCode kQueueManagerNameError = 2058;      // unknown or bad manager name
inline constexpr ReasonCode kTruncatedMessageFailed = 2080;     // fixed buffer too small, no 0x40
inline constexpr ReasonCode kUnknownRemoteQueueManager = 2087;  // a report for another manager
inline constexpr ReasonCode kObjectNameError = 2152;  // queue name empty, too long, bad char
inline constexpr ReasonCode kStoreDamaged = 7001;     // the store file is not a usable store
inline constexpr ReasonCode kStoreBusy = 7002;        // other processes held the lock too long
inline constexpr ReasonCode kStoreIoError = 7003;     // reading or writing the store failed
inline constexpr ReasonCode kFieldTooLong = 7004;     // a descriptor text exceeds its width
inline constexpr ReasonCode kQueueNotBound =
    7005;                                          // reserved: an unbound queue fails kNotConnected
inline constexpr ReasonCode kNotAliasable = 7006;  // alias target is itself an alias
inline constexpr ReasonCode kObjectAlreadyExists = 7007;    // define or create of an existing name
inline constexpr ReasonCode kQueueManagerRunning = 7008;    // start or delete of a running manager
inline constexpr ReasonCode kQueueManagerStopped = 7009;    // stop of a manager already stopped
inline constexpr ReasonCode kQueueNotEmpty = 7010;          // delete of a local queue with messages
inline constexpr ReasonCode kValueError = 7011;             // a number out of its range
inline constexpr ReasonCode kNoDefaultQueueManager = 7012;  // empty name, no default marked
inline constexpr ReasonCode kExpiryError = 7013;            // expiry neither positive nor unlimited
inline constexpr ReasonCode kPriorityError = 7014;          // priority outside -1..9
inline constexpr ReasonCode kResourceProblem = 7015;        // out of memory
inline constexpr ReasonCode kInternalError = 7016;          // an unexpected store error
inline constexpr ReasonCode kStoreFull = 7017;              // no room left on the store's disk
inline constexpr ReasonCode kStoreNoAccess = 7018;  // permission denied on a store file or folder
inline constexpr ReasonCode kStoreReadOnly = 7019;  // the store or its file system is read-only
inline constexpr ReasonCode kDataDirectoryUnsafe = 7020;  // every user may write the data directory
inline constexpr ReasonCode kDatabaseUnreachable = 7021;  // its database server cannot be reached
inline constexpr ReasonCode kQueueManagerGone = 7022;     // its database or schema was dropped
inline constexpr ReasonCode kDatabaseNoAccess = 7023;     // the database denied the role a right

}  // namespace reason

// The reason a failed system call's error number stands for: a full disk, a denied permission or
// a read-only file system have their own; anything else is an I/O error.
ReasonCode reasonFromSystemError(int error);

// The texts of the reason codes, from one table that the monitor and kxadmin share. The feedback
// codes of report messages (report_word.h) are in the same table.

// A short description for command-line tools and logs ("queue full").
const char* describeReason(ReasonCode code);
// The code's name in words ("unknown object name").
const char* reasonName(ReasonCode code);
// The code, its name and a one-line meaning with the names involved, for a user who meets the
// bare number: "2085: unknown object name: QM1 has no queue ORDERS.X". An empty name reads as
// "the queue manager" or "the queue".
std::string explainReason(ReasonCode code, std::string_view manager, std::string_view queue = {});

}  // namespace kx
