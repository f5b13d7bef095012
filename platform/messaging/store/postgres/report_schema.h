#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/messaging/store/postgres/postgres_db.h"
#include "platform/messaging/store/report_rules.h"

// The statements of the reports a queue manager kept in PostgreSQL makes: what a report needs of
// the message it reports on, read as the message leaves, and the manager's dead-letter queue and
// count of reports that went nowhere.
namespace kx::pg::schema {

// Whether message `m` (a table's alias) asks for the report of `cause`, as an SQL condition.
std::string asksFor(const char* m, ReportCause cause);
// As much of message `m`'s body as its report of `cause` carries, or an exception report of it:
// reportDataLength, in SQL.
std::string reportDataOf(const char* m, ReportCause cause);

// The columns a report is made from, for message `m`: its id, the stored fields, and the part of
// its body the report of `cause` carries.
std::string reportedColumns(const char* m, ReportCause cause);
inline constexpr int kReportedColumns = 2 + static_cast<int>(kStoredFieldCount);
// Reads row `row` of those columns from column `first` on. `data` points into `result`.
void readReported(const Result& result, int row, int first, QueueMessage& original,
                  std::span<const std::uint8_t>& data);

// The put of a message with its arrival report, in one statement: the message as put() takes it,
// then the report's queue (a local queue, not the message's own), the report's given message id,
// put time, stored fields and body, and whether its message id and its correlation id are the
// message's (assigned by the put: the report's fields hold a stand-in). Stores both or neither:
// it gives put()'s row when both went, no row when the message found no room, and fails with
// kReportNotPut when the report did not, as a report elsewhere could.
Statement putArriving(const std::string& s);
inline constexpr const char* kReportNotPut = "KXR01";  // its SQLSTATE

// The dead-letter queue's name, empty when none is named.
Statement deadLetter(const std::string& s);
// Counts a report that could go nowhere.
Statement countDiscarded(const std::string& s);
// Of queue $1, the messages expired by the time $2 that ask for an expiration report, at most
// kReportedBatch, oldest first: discarded and counted in taken row $3, and given as
// reportedColumns. Messages other discards hold are left to them.
Statement purgeReporting(const std::string& s);
inline constexpr int kReportedBatch = 1000;
// At a start: discards the non-persistent messages and those expired by the time $1, and gives
// the expired ones that ask for an expiration report as reportedColumns, by queue and in order.
std::string discardAtStartSql(const std::string& s);

}  // namespace kx::pg::schema
