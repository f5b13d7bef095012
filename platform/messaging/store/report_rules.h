#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/messaging/queue_message.h"
#include "platform/messaging/report_word.h"
#include "platform/messaging/store/attempts.h"
#include "platform/messaging/store/internal.h"

// The reports a queue manager puts on its own, the same for every backend: which event makes
// which report, what the report carries, where it goes, and where it goes when it cannot go
// there. A backend says where the events happen and puts the reports in the transaction of the
// event, through a ReportSink, so that an event is never kept without its report nor a report
// without its event.
namespace kx {

// What happened to the original message.
enum class ReportCause {
  kArrival,   // it was put on a local queue
  kDelivery,  // a destructive get took it (not a browse, a purge or an emptying)
  kExpiry,    // it expired and the store discarded it
};

// The report word bits of the events a store acts on: a message without any needs no look.
inline constexpr std::int32_t kStoreReports = report::kCoa | report::kCod | report::kExpiration;

// Whether a message with report word `word` asks for a report when `cause` happens to it.
bool asksForReport(std::int32_t word, ReportCause cause);
// How many bytes of a message of `length` bytes the report of `cause` carries.
std::size_t reportDataLength(std::int32_t word, ReportCause cause, std::size_t length);

// Where a backend puts reports: each call works in the transaction of the event.
class ReportSink {
 public:
  virtual ~ReportSink() = default;
  // Puts `message`, which the rules made and checked, on the local queue `queue` names (an
  // alias: on its base queue), as a put would: new id, own put context. A failure of that put
  // (no such queue, full, not a local queue) must leave the transaction as it was; any other
  // failure fails the event with it.
  virtual Step putReport(const std::string& queue, QueueMessage& message) = 0;
  // The queue manager's dead-letter queue, empty when it names none.
  virtual Step deadLetterQueue(std::string& queue) = 0;
  // Counts a report that could go nowhere, for `kxadmin check`.
  virtual Step countDiscarded() = 0;
};

// Makes and puts the report of `cause` for `original` (its descriptor as stored, with its id),
// whose data starts with `data` (at least reportDataLength bytes of it). `manager` is this
// queue manager's name and `nowMs` the time of the event. A report that cannot be put on its
// reply-to queue goes to the dead-letter queue with a header, or is discarded and counted;
// when the original asks for exception reports, an exception report with the reason goes the
// same way. A failure of the store fails the event.
Step sendReport(ReportCause cause, const QueueMessage& original, std::span<const std::uint8_t> data,
                const std::string& manager, std::int64_t nowMs, ReportSink& sink);

}  // namespace kx
