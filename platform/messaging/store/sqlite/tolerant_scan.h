#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include "platform/messaging/reason_codes.h"
#include "platform/messaging/store/internal.h"
#include "platform/messaging/store/sqlite/sqlite_db.h"

namespace kx {

// Reads a table by its integer key, past any damage. Its keys are walked without their rows, so
// that a row whose content is damaged costs only itself; each row is then read on its own by its
// key. A stretch of keys whose pages cannot be read at all is passed over to the first key beyond
// it that can be reached from the root, found by probing keys.
class TolerantScan {
 public:
  TolerantScan(Database& db, const std::string& table, const std::string& columns,
               std::int64_t maxKey)
      : db_(db), maxKey_(maxKey) {
    keysSql_ = "SELECT rowid FROM " + table + " WHERE rowid >= ?1 ORDER BY rowid";
    rowSql_ = "SELECT rowid, " + columns + " FROM " + table + " WHERE rowid = ?1";
    probeSql_ = keysSql_ + " LIMIT 1";
  }

  // Gives each row that could be read to `take`, with its key; `take` says whether the row made
  // sense (one that does not is counted as unreadable). A damaged page can make a key read twice:
  // `take` must let the second go. Fails only on what is not damage, such as an I/O error.
  template <typename Take>
  ReasonCode run(Take&& take) {
    Statement keys;
    Statement row;
    ReasonCode why = db_.prepare(keysSql_, keys);
    if (why == reason::kNone) why = db_.prepare(rowSql_, row);
    if (why == reason::kNone) why = db_.prepare(probeSql_, probe_);
    if (why != reason::kNone) return why;
    std::int64_t from = 0;
    for (;;) {
      const std::int64_t startedAt = from;
      // Keys met out of order in this walk. A damaged page can name one cell many times over, or
      // lead back into pages already walked: a key met out of order twice ends the walk as damage.
      std::set<std::int64_t> behind;
      keys.reuse().bind(1, from);
      int rc = SQLITE_ROW;
      while ((rc = keys.step()) == SQLITE_ROW) {
        const std::int64_t key = keys.integer(0);
        const bool inOrder = key >= from && key <= maxKey_;
        if (!inOrder && !behind.insert(key).second) {
          rc = SQLITE_CORRUPT;
          break;
        }
        if (key < 0 || key > maxKey_) continue;  // no key of ours: a damaged cell
        if ((why = readRow(row, key, take)) != reason::kNone) return why;
        if (!inOrder) continue;
        if (key == maxKey_) return reason::kNone;
        from = key + 1;
      }
      keys.reuse();
      if (rc == SQLITE_DONE) return reason::kNone;
      if ((why = reasonFromSqlite(rc)) != reason::kStoreDamaged) return why;
      damaged_ = true;
      // Met on the way: start again right there, so that the damage is met first.
      if (from != startedAt) continue;
      std::optional<std::int64_t> next;
      bool reachable = false;
      if ((why = probe(from, reachable, next)) != reason::kNone) return why;
      if (reachable && !next) return reason::kNone;
      if (reachable) {
        if (from == maxKey_) return reason::kNone;
        from = std::max(*next, from + 1);
      } else {
        bool end = false;
        if ((why = skipDamage(from, end)) != reason::kNone || end) return why;
      }
    }
  }

  std::int64_t unreadable() const { return unreadable_; }
  bool metDamage() const { return damaged_; }

 private:
  template <typename Take>
  ReasonCode readRow(Statement& row, std::int64_t key, Take& take) {
    const int rc = row.reuse().bind(1, key).step();
    ReasonCode why = reason::kNone;
    if (rc == SQLITE_ROW) {
      if (!take(row, key)) ++unreadable_;
    } else if (rc != SQLITE_DONE) {  // done: a damaged cell named a key no row has
      why = reasonFromSqlite(rc);
      if (why == reason::kStoreDamaged) {
        ++unreadable_;
        damaged_ = true;
        why = reason::kNone;
      }
    }
    row.reuse();
    return why;
  }

  // Whether the first key from `from` on can be reached, and which it is (none at the end).
  ReasonCode probe(std::int64_t from, bool& reachable, std::optional<std::int64_t>& next) {
    const int rc = probe_.reuse().bind(1, from).step();
    // A key below `from` comes from a damaged page, not from a seek that worked.
    const bool found = rc == SQLITE_ROW && probe_.integer(0) >= from;
    reachable = found || rc == SQLITE_DONE;
    next = found ? std::optional(probe_.integer(0)) : std::nullopt;
    probe_.reuse();
    if (reachable || rc == SQLITE_ROW) return reason::kNone;
    const ReasonCode why = reasonFromSqlite(rc);
    return why == reason::kStoreDamaged ? reason::kNone : why;
  }

  // From `from`, where no key can be reached, to the first key that can: ever longer strides
  // until one lands beyond the damage, then halving back to its edge.
  ReasonCode skipDamage(std::int64_t& from, bool& end) {
    std::int64_t failing = from;
    std::int64_t reached = 0;
    std::optional<std::int64_t> next;
    bool reachable = false;
    for (std::int64_t stride = 1;; stride *= 2) {
      const std::int64_t candidate = failing > maxKey_ - stride ? maxKey_ : failing + stride;
      if (const ReasonCode why = probe(candidate, reachable, next); why != reason::kNone) {
        return why;
      }
      if (reachable) {
        reached = candidate;
        break;
      }
      if (candidate == maxKey_) {
        end = true;
        return reason::kNone;
      }
      failing = candidate;
    }
    while (reached - failing > 1) {
      const std::int64_t middle = failing + (reached - failing) / 2;
      if (const ReasonCode why = probe(middle, reachable, next); why != reason::kNone) return why;
      (reachable ? reached : failing) = middle;
    }
    from = reached;
    return reason::kNone;
  }

  Database& db_;
  std::int64_t maxKey_;
  std::string keysSql_;
  std::string rowSql_;
  std::string probeSql_;
  Statement probe_;
  std::int64_t unreadable_ = 0;
  bool damaged_ = false;
};

}  // namespace kx
