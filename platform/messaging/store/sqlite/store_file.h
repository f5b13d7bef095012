#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/messaging/reason_codes.h"
#include "platform/messaging/store/internal.h"
#include "platform/messaging/store/resolving_backend.h"
#include "platform/messaging/store/sqlite/sqlite_db.h"

namespace kx {

// What marks a file as one of our stores: SQLite's application id and schema version, both in
// the file header, where they can be read before SQLite ever opens the file.
inline constexpr std::uint32_t kStoreApplicationId = 0x4B58514D;  // "KXQM"
// Version 2 keeps the dead-letter queue and the count of discarded reports in the manager's row;
// a version-1 store is upgraded in place when it is first opened to be used.
inline constexpr std::uint32_t kStoreSchemaVersion = 2;
inline constexpr std::uint32_t kOldestStoreSchemaVersion = 1;

// The files that live beside a store and go with it: SQLite's journal, WAL and shared-memory
// index, and the room kept for gets on a full disk.
std::vector<std::filesystem::path> companionPaths(const std::filesystem::path& store);
std::filesystem::path reservePath(const std::filesystem::path& store);

// kNone when the file's header says it is a store of our schema, kStoreDamaged when it is
// something else (a link or any file but a regular one among them, never opened),
// kQueueManagerNameError when there is no such file, kStoreReadOnly or kStoreNoAccess when it may
// not be written. Reads the file only, but takes group and other permissions off it.
ReasonCode checkStoreHeader(const std::filesystem::path& path);
// Says for an operator why the store at `path` failed those checks: a link or a file of another
// kind as the store or beside it (strayFileProblem, none when there is no such file), or a file
// that is not one of our stores.
std::optional<std::string> strayFileProblem(const std::filesystem::path& path);
std::string describeUnusableStore(const std::filesystem::path& path);
// The same check, leaving `db` open on the file when it passes. The header is read before SQLite
// reads anything else of the file.
// `version`, when given, is set to the store's schema version.
ReasonCode openCheckedStore(const std::filesystem::path& path, Database& db,
                            std::uint32_t* version = nullptr);

// Opens an existing store: data directory check, header check, open without create, schema check.
// Companion files that another mode left behind (say while the store was read-only) are made
// 0600 first, so a store whose permissions were put right works again. `name` must have been
// validated. A store of an older version is upgraded, in one transaction, unless `upgrade` says
// the caller only reads it.
enum class Upgrade { kYes, kNo };
ReasonCode openStore(std::string_view validatedName, Database& db, Upgrade upgrade = Upgrade::kYes);

// What the manager's row keeps for reports: the dead-letter queue (empty: none) and the count of
// reports that could go nowhere. A store of version 1, which has neither, reads as none and 0.
struct ReportSettings {
  std::string deadLetterQueue;
  std::int64_t discarded = 0;
};
ReasonCode readReportSettings(Database& db, ReportSettings& settings);

// The queue manager's own row; `cache` keeps the statement between calls.
ReasonCode readManagerRow(Database& db, Statement& cache, ManagerRow& row);

// Creates the tables of a new store in an empty database and switches it to WAL.
ReasonCode createSchema(Database& db, std::string_view validatedName);

}  // namespace kx
