#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "history/history_store.h"

struct sqlite3;
struct sqlite3_stmt;

namespace tarnix {

// The depth history kept in one SQLite file. Several monitors may use the file at once: it is in
// WAL mode, and a writer waits a short while for another one. History is no message: a write
// commits without a sync of its own, so a crash of the machine may lose the last batch.
class HistoryFile : public HistoryStore {
 public:
  // Opens or makes the file (0600, its folder 0700). Null, with a line that says why, when it is
  // a symbolic link, not a regular file, damaged, or cannot be written.
  static std::unique_ptr<HistoryFile> open(const std::filesystem::path& file, std::string& why);
  ~HistoryFile() override;
  HistoryFile(const HistoryFile&) = delete;
  HistoryFile& operator=(const HistoryFile&) = delete;

  bool load(const SeriesKey& key, TimeMs since, std::vector<DepthPoint>& points,
            std::string& why) override;
  bool save(std::span<const SeriesRewrite> changes, TimeMs keptFrom, std::string& why) override;

 private:
  HistoryFile(sqlite3* db, std::filesystem::path file) : db_(db), file_(std::move(file)) {}
  bool prepare(std::string& why);
  // The series' number, made when `make` and it has none; 0 when it has none.
  bool seriesId(const SeriesKey& key, bool make, std::int64_t& id, std::string& why);
  std::string failure(const char* doing) const;

  sqlite3* db_;
  std::filesystem::path file_;
  sqlite3_stmt* findSeries_ = nullptr;
  sqlite3_stmt* addSeries_ = nullptr;
  sqlite3_stmt* selectPoints_ = nullptr;
  sqlite3_stmt* deleteSpan_ = nullptr;
  sqlite3_stmt* insertPoint_ = nullptr;
  sqlite3_stmt* dropOld_ = nullptr;
};

}  // namespace tarnix
