#include "platform/messaging/store/report_rules.h"

#include <algorithm>

#include "platform/messaging/dead_letter.h"
#include "platform/messaging/store/message_rules.h"
#include "platform/messaging/store/put_context.h"

namespace kx {
namespace {

// The bits of each cause's report: the kind, then "with data" and "with full data" on top.
struct KindBits {
  std::int32_t kind;
  std::int32_t withData;
  std::int32_t withFullData;
  std::int32_t feedback;
};

KindBits bitsOf(ReportCause cause) {
  switch (cause) {
    case ReportCause::kArrival:
      return {report::kCoa, report::kCoaWithData, report::kCoaWithFullData, feedback::kCoa};
    case ReportCause::kDelivery:
      return {report::kCod, report::kCodWithData, report::kCodWithFullData, feedback::kCod};
    case ReportCause::kExpiry:
      break;
  }
  return {report::kExpiration, report::kExpirationWithData, report::kExpirationWithFullData,
          feedback::kExpiration};
}

constexpr KindBits kExceptionBits{report::kException, report::kExceptionWithData,
                                  report::kExceptionWithFullData, 0};

std::size_t dataLength(std::int32_t word, const KindBits& bits, std::size_t length) {
  if ((word & bits.withFullData) == bits.withFullData) return length;
  if ((word & bits.withData) == bits.withData) return std::min(length, report::kWithDataBytes);
  return 0;
}

// The report of kind `bits` for `original`: a report message with the original's format,
// persistence, priority and character set, ids as its report word asks, and as much data as its
// kind carries.
QueueMessage makeReport(const KindBits& bits, std::int32_t feedbackCode,
                        const QueueMessage& original, std::span<const std::uint8_t> data,
                        const std::string& manager, std::int64_t nowMs) {
  QueueMessage report;
  report.msgType = msgtype::kReport;
  report.feedback = feedbackCode;
  report.format = original.format;
  report.persistent = original.persistent;
  report.priority = original.priority;
  report.ccsid = original.ccsid;
  report.replyQmgr = manager;
  // The queue manager puts it: its name and kind as the put context, at the time of the event.
  report.keepPutContext = true;
  report.putAppl = manager.substr(0, kPutApplWidth);
  report.putApplType = kPutApplTypeQueueManager;
  report.putDate = putDateOf(nowMs);
  report.putTime = putTimeOf(nowMs);
  if (original.report & report::kPassMsgId) report.msgId = original.msgId;
  report.correlId = (original.report & report::kPassCorrelId) ? original.correlId : original.msgId;
  const std::size_t length = std::min(data.size(), dataLength(original.report, bits, data.size()));
  report.setData(data.data(), length);
  return report;
}

// A put that failed for what the destination is, not for the store: the report goes elsewhere.
bool undeliverable(const Step& step) {
  if (step.retry() != Retry::kNo) return false;
  switch (step.reason()) {
    case reason::kUnknownObjectName:
    case reason::kQueueFull:
    case reason::kObjectNameError:
    case reason::kMessageTooBig:
    case reason::kNotAliasable:
    case reason::kOptionNotValidForType:
    case reason::kSelectorNotForType:
      return true;
    default:
      return false;
  }
}

// A report that could not go to `queue` on `qmgr`: to the dead-letter queue behind its header,
// unless the original asks for it to be discarded or there is nowhere to put it.
Step putAside(QueueMessage& message, ReasonCode why, const QueueMessage& original,
              std::int64_t nowMs, ReportSink& sink) {
  std::string deadLetters;
  if (!(original.report & report::kDiscardMsg)) {
    if (const Step step = sink.deadLetterQueue(deadLetters); !step.ok()) return step;
  }
  if (deadLetters.empty()) return sink.countDiscarded();
  dead_letter::Header header;
  header.reason = why;
  header.queue = original.replyToQ;
  header.manager = original.replyQmgr;
  header.format = paddedFormat(message.format);
  header.putDate = putDateOf(nowMs);
  header.putTime = putTimeOf(nowMs);
  std::string data = dead_letter::write(header);
  const auto body = message.data();
  data.append(reinterpret_cast<const char*>(body.data()), body.size());
  message.setData(data.data(), data.size());
  message.format = dead_letter::kFormat;
  const Step step = sink.putReport(deadLetters, message);
  if (undeliverable(step)) return sink.countDiscarded();
  return step;
}

}  // namespace

bool asksForReport(std::int32_t word, ReportCause cause) {
  return (word & bitsOf(cause).kind) != 0;
}

std::size_t reportDataLength(std::int32_t word, ReportCause cause, std::size_t length) {
  std::size_t needed = dataLength(word, bitsOf(cause), length);
  if (word & report::kException)
    needed = std::max(needed, dataLength(word, kExceptionBits, length));
  return needed;
}

Step sendReport(ReportCause cause, const QueueMessage& original, std::span<const std::uint8_t> data,
                const std::string& manager, std::int64_t nowMs, ReportSink& sink) {
  if (!asksForReport(original.report, cause)) return reason::kNone;
  const KindBits bits = bitsOf(cause);
  QueueMessage report = makeReport(bits, bits.feedback, original, data, manager, nowMs);
  ReasonCode why = reason::kNone;
  if (original.replyToQ.empty()) {
    why = reason::kMissingReplyToQueue;
  } else if (!original.replyQmgr.empty() && original.replyQmgr != manager) {
    why = reason::kUnknownRemoteQueueManager;  // queue managers here exchange no messages
  } else {
    const Step step = sink.putReport(original.replyToQ, report);
    if (!undeliverable(step)) return step;
    why = step.reason();
  }
  if (const Step step = putAside(report, why, original, nowMs, sink); !step.ok()) return step;
  if (!(original.report & report::kException)) return reason::kNone;
  QueueMessage exception = makeReport(kExceptionBits, why, original, data, manager, nowMs);
  return putAside(exception, why, original, nowMs, sink);
}

}  // namespace kx
