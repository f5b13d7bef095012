#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "platform/messaging/queue.h"
#include "platform/messaging/queue_manager.h"
#include "platform/messaging/store_admin.h"
#include "tests/messaging/child_process.h"

namespace kx::testing {
namespace {

namespace fs = std::filesystem;

// The data directory on a small file system of its own, so that the disk can be filled or made
// read-only: a tmpfs with a size limit, mounted directly as root, or else in a user and mount
// namespace of a child process. Only where neither is allowed is the test skipped.
class FullDisk : public ::testing::Test {
 protected:
  static constexpr const char* kSize = "size=24m";

  void SetUp() override {
    mount_ = fs::temp_directory_path() / ("tarnix-full-" + std::to_string(::getpid()));
    fs::create_directories(mount_);
  }
  void TearDown() override { fs::remove_all(mount_); }

  // Runs `body` with the small file system mounted and KX_DATA_DIR on it.
  void onSmallDisk(const std::function<void()>& body) {
    if (::geteuid() == 0) {
      ASSERT_EQ(::mount("tmpfs", mount_.c_str(), "tmpfs", 0, kSize), 0) << std::strerror(errno);
      runMounted(body);
      ::umount2(mount_.c_str(), MNT_DETACH);
      return;
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      if (!enterOwnNamespace() || ::mount("tmpfs", mount_.c_str(), "tmpfs", 0, kSize) != 0) {
        std::_Exit(kUnavailable);
      }
      runMounted(body);
      std::_Exit(::testing::Test::HasFailure() ? 1 : 0);  // the child printed its failures
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == kUnavailable) {
      GTEST_SKIP() << "cannot mount a small file system: not root, and no user namespaces";
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  }

  // Mounts the small file system again, read-only or read-write.
  void remount(bool readOnly) {
    const unsigned long flags = MS_REMOUNT | (readOnly ? MS_RDONLY : 0);
    ASSERT_EQ(::mount("tmpfs", mount_.c_str(), "tmpfs", flags, kSize), 0) << std::strerror(errno);
  }

  fs::path mount_;

 private:
  static constexpr int kUnavailable = 77;

  static bool enterOwnNamespace() {
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
    std::ofstream("/proc/self/setgroups") << "deny";
    std::ofstream("/proc/self/uid_map") << "0 " << uid << " 1";
    std::ofstream("/proc/self/gid_map") << "0 " << gid << " 1";
    return true;
  }

  void runMounted(const std::function<void()>& body) {
    ::setenv("KX_DATA_DIR", (mount_ / "kx").c_str(), 1);
    ::unsetenv("KX_DEFAULT_QMGR");
    ASSERT_TRUE(admin::createQueueManager("QM1"));
    ASSERT_TRUE(admin::startQueueManager("QM1"));
    ASSERT_TRUE(admin::defineLocalQueue("QM1", "Q1", 1'000'000));
    body();
  }
};

// Puts persistent messages of `size` bytes onto Q1 until the store refuses one; gives how many it
// took, and the reason of the refusal.
int fillWith(IkxQueue& queue, std::size_t size, ReasonCode& refusal) {
  const std::string body(size, 'f');
  QueueMessage message;
  message.persistent = 1;
  message.setData(body.data(), body.size());
  int count = 0;
  while (queue.put(message)) {
    message.msgId.reset();
    ++count;
  }
  refusal = queue.reason();
  return count;
}

// Fills the disk through a connection of its own, with large messages and then with small ones to
// the last few pages; both must be refused as a full disk. Gives how many messages were stored.
int fillTheDisk() {
  IkxQueueManager putter;
  putter.setManagerName("QM1");
  EXPECT_TRUE(putter.connect());
  IkxQueue queue;
  queue.bindManager(putter);
  queue.setQueueName("Q1");
  ReasonCode refusal = reason::kNone;
  int stored = fillWith(queue, 256 << 10, refusal);
  EXPECT_EQ(refusal, reason::kStoreFull);
  stored += fillWith(queue, 2 << 10, refusal);
  EXPECT_EQ(refusal, reason::kStoreFull);
  EXPECT_GT(stored, 20);
  return stored;
}

TEST_F(FullDisk, AFullDiskIsSaidPlainlyAndGettersStillDrainTheQueue) {
  onSmallDisk([] {
    const int stored = fillTheDisk();
    const KxadminRun put = runKxadmin({"put", "QM1", "Q1", "--text", "one more", "--persistent"});
    EXPECT_EQ(put.status, 1);
    EXPECT_NE(put.output.find("is full"), std::string::npos) << put.output;
    EXPECT_NE(put.output.find("free space"), std::string::npos) << put.output;

    // Another client takes every message, each once.
    IkxQueueManager getter;
    getter.setManagerName("QM1");
    ASSERT_TRUE(getter.connect()) << getter.reason();
    IkxQueue drained;
    drained.bindManager(getter);
    drained.setQueueName("Q1");
    int got = 0;
    for (QueueMessage message; drained.get(message, GetOptions{}); message = QueueMessage()) ++got;
    EXPECT_EQ(drained.reason(), reason::kNoMessageAvailable);
    EXPECT_EQ(got, stored);
    EXPECT_EQ(drained.queryDepth(), 0);
  });
}

TEST_F(FullDisk, StopStartAndPurgeWorkOnAFullDisk) {
  onSmallDisk([] {
    fillTheDisk();
    const admin::Status stopped = admin::stopQueueManager("QM1");
    EXPECT_TRUE(stopped) << stopped.message;
    const admin::Status started = admin::startQueueManager("QM1");
    EXPECT_TRUE(started) << started.message;
    const KxadminRun purge = runKxadmin({"purge", "QM1", "Q1"});
    EXPECT_EQ(purge.status, 0) << purge.output;
    std::vector<admin::QueueInfo> queues;
    ASSERT_TRUE(admin::listQueues("QM1", queues));
    EXPECT_EQ(queues.at(0).depth, 0);
  });
}

// A store on a file system mounted read-only is not damaged: every way in says the file system is
// read-only and names the store, and the store works again, whole, once it is read-write.
using ReadOnlyFileSystem = FullDisk;

TEST_F(ReadOnlyFileSystem, IsSaidPlainlyNamingTheStoreAndNeverAsDamage) {
  onSmallDisk([this] {
    ASSERT_EQ(runKxadmin({"put", "QM1", "Q1", "--text", "kept", "--persistent"}).status, 0);
    remount(true);
    const std::string says =
        (mount_ / "kx" / "QM1.qmgr").string() + " is on a read-only file system";

    IkxQueueManager client;
    client.setManagerName("QM1");
    EXPECT_FALSE(client.connect());
    EXPECT_EQ(client.reason(), reason::kStoreReadOnly);
    EXPECT_NE(admin::explainFailure("QM1", client.reason()).find(says), std::string::npos);
    const admin::Status stopped = admin::stopQueueManager("QM1");
    EXPECT_EQ(stopped.reason, reason::kStoreReadOnly);
    EXPECT_NE(stopped.message.find(says), std::string::npos) << stopped.message;
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"get", "QM1", "Q1"}, {"check", "QM1"}, {"queues", "QM1"}}) {
      const KxadminRun run = runKxadmin(command);
      EXPECT_EQ(run.status, 1);
      EXPECT_NE(run.output.find(says), std::string::npos) << run.output;
      EXPECT_NE(run.output.find("(reason 7019)"), std::string::npos) << run.output;
    }
    std::vector<admin::ManagerInfo> managers;
    ASSERT_TRUE(admin::listQueueManagers(managers));
    ASSERT_EQ(managers.size(), 1u);
    EXPECT_TRUE(managers[0].readOnly);
    EXPECT_FALSE(managers[0].damaged);
    EXPECT_NE(runKxadmin({"list"}).output.find("read-only"), std::string::npos);

    remount(false);
    const KxadminRun got = runKxadmin({"get", "QM1", "Q1"});
    EXPECT_EQ(got.status, 0) << got.output;
    EXPECT_NE(got.output.find("kept"), std::string::npos) << got.output;
  });
}

}  // namespace
}  // namespace kx::testing
