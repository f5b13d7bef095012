// A transaction left open across statements, on a connection in libpq's pipeline mode: the
// statements sent before a sync share one transaction, which the sync commits. A statement runs
// and answers, and nothing is final until commit() sends the sync.
#include "platform/messaging/store/postgres/postgres_db.h"

namespace kx::pg {

ReasonCode Connection::runUncommitted(const Statement& statement, const Params& params,
                                      Result& result) {
  if (conn_ == nullptr) return reason::kConnectionBroken;
  if (PQenterPipelineMode(conn_) == 0) {
    return abandon("libpq could not begin a transaction: " + trimmed(PQerrorMessage(conn_)));
  }
  const ReasonCode why = run(statement, params, result);
  if (why != reason::kNone && conn_ != nullptr) {
    // Undone by the failure; the sync ends the transaction and the pipeline.
    const std::string state = sqlState_;
    const std::string error = lastError_;
    if (commit() == Commit::kUnknown) return reason::kConnectionBroken;
    sqlState_ = state;
    lastError_ = error;
  }
  return why;
}

Connection::Commit Connection::commit() {
  if (conn_ == nullptr) return Commit::kUnknown;
  const auto until = deadline();
  if (PQpipelineSync(conn_) == 0) {
    abandon("libpq could not send a commit: " + trimmed(PQerrorMessage(conn_)));
    return Commit::kUnknown;
  }
  Commit outcome = Commit::kMade;
  for (;;) {
    ReasonCode why = reason::kNone;
    PGresult* raw = next(until, why);
    if (why != reason::kNone) return Commit::kUnknown;
    if (raw == nullptr) continue;
    const Result one(raw);
    const ExecStatusType status = PQresultStatus(raw);
    if (status == PGRES_PIPELINE_SYNC) break;
    if (status == PGRES_FATAL_ERROR) {
      failure(raw);
      // Refused on a connection that lives on: undone. A connection that ended there may have
      // ended after the commit was made.
      if (!alive()) return Commit::kUnknown;
      outcome = Commit::kUndone;
    }
  }
  PQexitPipelineMode(conn_);
  return outcome;
}

ReasonCode Connection::rollback() {
  if (conn_ == nullptr) return reason::kConnectionBroken;
  // The failure that calls for the rollback stays the one reported.
  const std::string state = sqlState_;
  const std::string error = lastError_;
  // Within the pipeline's transaction ROLLBACK undoes it (the server warns that no transaction
  // block was begun, and the warning is not heard); after a failure the server skips it, and the
  // sync ends the transaction undone either way.
  if (PQsendQueryParams(conn_, "ROLLBACK", 0, nullptr, nullptr, nullptr, nullptr, 1) == 0) {
    abandon("libpq could not send a rollback: " + trimmed(PQerrorMessage(conn_)));
    return reason::kConnectionBroken;
  }
  const Commit ended = commit();
  sqlState_ = state;
  lastError_ = error;
  return ended == Commit::kUnknown ? reason::kConnectionBroken : reason::kNone;
}

}  // namespace kx::pg
