#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/messaging/reason_codes.h"
#include "platform/messaging/store/internal.h"

// The data directory and how files are made in it: private to its owner whatever the umask, each
// new file made exclusively (never through a link) under a name no one can guess, and put in place
// by a link or rename that is synced with its directory before anyone is told it is done.
namespace kx {

// kNone when `directory` is absent or safe to use; kDataDirectoryUnsafe (with `problem` saying so)
// when every user may write it, since anyone could then plant or swap files in it.
ReasonCode checkDataDirectory(const std::filesystem::path& directory, std::string& problem);

// Makes the data directory (mode 0700; missing parents as the umask says) unless it exists, checks
// it as above, and gives its real path, with no link left in it.
ReasonCode prepareDataDirectory(std::filesystem::path& realPath, std::string& problem);

// A file of mode 0600 made exclusively beside `finalPath` under an unguessable name, locked while
// this object lives so that a sweep by another process leaves it alone; removed unless placed.
class TemporaryFile {
 public:
  TemporaryFile() = default;
  ~TemporaryFile();
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  // `finalPath` must lie in a directory given by its real path.
  ReasonCode create(const std::filesystem::path& finalPath, std::string& problem);
  const std::filesystem::path& path() const { return path_; }
  // Writes all of `text` and syncs it.
  ReasonCode write(const std::string& text, std::string& problem);
  // Writes all of `bytes` after what was written before, without a sync; sync() gives one.
  ReasonCode append(std::string_view bytes, std::string& problem);
  ReasonCode sync(std::string& problem);
  // Links the file in as `finalPath`, which must not exist yet (kObjectAlreadyExists if it does),
  // then syncs the directory.
  ReasonCode linkIntoPlace(std::string& problem);
  // Renames the file over `finalPath`, replacing it (a link there is replaced, never followed),
  // then syncs the directory.
  ReasonCode renameIntoPlace(std::string& problem);

 private:
  void discard();

  std::filesystem::path path_;
  std::filesystem::path finalPath_;
  int fd_ = -1;
};

// Removes the temporary files (and what SQLite left beside them) of makers that died before
// putting them in place. Leaves those that a living maker still holds.
void sweepTemporaries(const std::filesystem::path& directory);

// True for the name of a temporary file or of one of its companions.
bool isTemporaryName(const std::string& fileName);

}  // namespace kx
