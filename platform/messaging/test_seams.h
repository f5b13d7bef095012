#pragma once

#include <chrono>
#include <functional>
#include <string_view>

#include "platform/messaging/reason_codes.h"

// Seams for tests and diagnostics. None of them is set in normal running, and when unset they
// cost one relaxed atomic load per operation.
namespace kx {

// The clock the store reads for put times and expiry.
using Clock = std::function<std::chrono::system_clock::time_point()>;
void setClock(Clock clock);  // empty: the system clock
std::chrono::system_clock::time_point now();

// A trace of the client objects' lifetimes, as a diagnostic trace would show them.
enum class TraceEvent { QueueClosed, QueueDestroyed, ManagerDisconnected, ManagerDestroyed };
using TraceHook = std::function<void(TraceEvent event, const void* object, std::string_view name)>;
void setTraceHook(TraceHook hook);  // empty: no trace

// Makes chosen queue operations fail with a chosen reason, without touching the store: the hook
// is asked before each operation with the queue's name and the operation's name ("queryDepth",
// "queryMaxDepth", "get", "put", "openWith", "resolvedName"); a non-zero answer fails the
// operation with that reason.
using FaultHook = std::function<ReasonCode(std::string_view queueName, std::string_view operation)>;
void setFaultHook(FaultHook hook);  // empty: no faults

// Called in the write transaction of a put or of a destructive get, once its work (its reports
// among it) is done and just before it commits, with the operation's name ("put", "get"): a test
// stops or kills the process there to see what a crash at that point leaves in the store.
using CommitHook = std::function<void(std::string_view operation)>;
void setCommitHook(CommitHook hook);  // empty: no hook

}  // namespace kx
