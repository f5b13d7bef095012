#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/messaging/store_admin.h"
#include "tests/messaging/queue_fixture.h"

namespace {

// Every sync of a directory while recording: the directory and the names it held then, which is
// what a power loss right after the sync would keep.
struct DirectorySync {
  std::string directory;
  std::set<std::string> names;
};
std::mutex syncsMutex;
bool recording = false;
std::vector<DirectorySync> syncs;

}  // namespace

// Stands in for the C library's fsync in this test executable, SQLite's calls included.
extern "C" int fsync(int fd) {
  struct stat status {};
  std::lock_guard lock(syncsMutex);
  if (recording && ::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
    std::error_code error;
    const auto directory =
        std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), error);
    DirectorySync sync{directory.string(), {}};
    for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
      sync.names.insert(entry.path().filename().string());
    }
    syncs.push_back(std::move(sync));
  }
  return static_cast<int>(::syscall(SYS_fsync, fd));
}

namespace kx::testing {
namespace {

class Durability : public QueueFixture {
 protected:
  // The syncs of the data directory that `action` made.
  template <typename Action>
  std::vector<DirectorySync> directorySyncs(Action&& action) {
    {
      std::lock_guard lock(syncsMutex);
      syncs.clear();
      recording = true;
    }
    action();
    std::lock_guard lock(syncsMutex);
    recording = false;
    std::vector<DirectorySync> mine;
    for (auto& sync : syncs) {
      if (sync.directory == std::filesystem::canonical(dataDir_)) mine.push_back(std::move(sync));
    }
    return mine;
  }
};

bool anyHolds(const std::vector<DirectorySync>& syncs, const std::string& name) {
  return std::any_of(syncs.begin(), syncs.end(),
                     [&](const DirectorySync& sync) { return sync.names.count(name) > 0; });
}

TEST_F(Durability, ANewStoreAndANewDefaultAreSyncedIntoTheirDirectory) {
  const auto created = directorySyncs([] { ASSERT_TRUE(admin::createQueueManager("QM2")); });
  EXPECT_TRUE(anyHolds(created, "QM2.qmgr"));
  const auto marked = directorySyncs([] { ASSERT_TRUE(admin::setDefaultQueueManager("QM2")); });
  EXPECT_TRUE(anyHolds(marked, "default-queue-manager"));
}

}  // namespace
}  // namespace kx::testing
