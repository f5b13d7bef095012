#include "platform/messaging/store/sqlite/file_problems.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/messaging/store/sqlite/store_file.h"

namespace kx {
namespace {

namespace fs = std::filesystem;

// The first of the store, its folder and its companions that this process may not use as the
// store needs, and why; empty when all of them may be used.
std::string deniedFile(const fs::path& store) {
  const fs::path directory = store.parent_path();
  std::vector<std::pair<fs::path, int>> files{{store, R_OK | W_OK}, {directory, W_OK | X_OK}};
  for (const fs::path& companion : companionPaths(store))
    files.emplace_back(companion, R_OK | W_OK);
  for (const auto& [path, mode] : files) {
    std::error_code error;
    if (!fs::exists(fs::symlink_status(path, error))) continue;
    if (::faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) == 0) continue;
    const char* what = path == directory ? "the data directory " : "";
    if (errno == EROFS) {
      return std::string(what) + path.string() +
             " is on a read-only file system: mount it read-write to use the store";
    }
    if (errno == EACCES || errno == EPERM) return "permission denied on " + (what + path.string());
  }
  return {};
}

}  // namespace

std::string explainFileProblem(ReasonCode why, const fs::path& store) {
  if (why == reason::kStoreFull) {
    std::string line = "the disk holding " + store.parent_path().string() + " is full";
    struct statvfs space {};
    if (::statvfs(store.parent_path().c_str(), &space) == 0) {
      line += " (" + std::to_string(space.f_bavail * space.f_frsize / 1024) + " KiB free)";
    }
    return line + ": free space on it, by removing other files or by getting or purging messages";
  }
  if (why == reason::kStoreDamaged) {
    if (std::optional<std::string> stray = strayFileProblem(store)) return *stray;
  }
  if (why == reason::kStoreNoAccess || why == reason::kStoreReadOnly) {
    if (std::string denied = deniedFile(store); !denied.empty()) return denied;
  }
  return describeReason(why);
}

}  // namespace kx
