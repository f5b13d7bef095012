#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/messaging/store_admin.h"
#include "tests/messaging/child_process.h"
#include "tests/messaging/queue_fixture.h"

namespace kx::testing {
namespace {

namespace fs = std::filesystem;

// Who may read and write the store's files, and where they are: private files whatever the umask,
// no planted link followed, no leftover of a killed create, no path read two ways.
using PermissionsAndLinks = QueueFixture;

unsigned modeOf(const fs::path& path) {
  struct stat status {};
  EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
  return status.st_mode & 07777;
}

std::string contentOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs the rest of a scope as an ordinary user, so that file modes bind: as root, as nobody with
// the data directory handed over to it; otherwise as the user the tests run as.
class AsOrdinaryUser {
 public:
  explicit AsOrdinaryUser(const fs::path& directory) {
    if (::geteuid() != 0) return;
    constexpr uid_t kNobody = 65534;
    ::chown(directory.c_str(), kNobody, kNobody);
    for (const auto& entry : fs::recursive_directory_iterator(directory)) {
      ::lchown(entry.path().c_str(), kNobody, kNobody);
    }
    switched_ = ::setegid(kNobody) == 0 && ::seteuid(kNobody) == 0;
    EXPECT_TRUE(switched_);
  }
  ~AsOrdinaryUser() {
    if (switched_) {
      EXPECT_EQ(::seteuid(0), 0);
      EXPECT_EQ(::setegid(0), 0);
    }
  }
  AsOrdinaryUser(const AsOrdinaryUser&) = delete;
  AsOrdinaryUser& operator=(const AsOrdinaryUser&) = delete;

 private:
  bool switched_ = false;
};

// Puts a message on Q1 of QM1 through a new connection and takes it back: the store works.
ReasonCode roundTrip() {
  IkxQueueManager manager;
  manager.setManagerName("QM1");
  if (!manager.connect()) return manager.reason();
  IkxQueue queue;
  queue.bindManager(manager);
  queue.setQueueName("Q1");
  QueueMessage message;
  message.setData("x", 1);
  if (!queue.put(message)) return queue.reason();
  QueueMessage back;
  if (!queue.get(back, GetOptions{})) return queue.reason();
  return reason::kNone;
}

// Sets the process's umask for a scope.
class Umask {
 public:
  explicit Umask(mode_t mask) : before_(::umask(mask)) {}
  ~Umask() { ::umask(before_); }
  Umask(const Umask&) = delete;
  Umask& operator=(const Umask&) = delete;

 private:
  mode_t before_;
};

TEST_F(PermissionsAndLinks, NewDataDirectoriesAndStoreFilesArePrivateWhateverTheUmask) {
  for (const mode_t mask : {0000, 0277}) {
    SCOPED_TRACE("umask " + std::to_string(mask));
    const fs::path directory = dataDir_ / ("fresh" + std::to_string(mask)) / "kx";
    ::setenv("KX_DATA_DIR", directory.c_str(), 1);
    std::optional<Umask> umask(mask);
    ASSERT_TRUE(admin::createQueueManager("QM2"));
    ASSERT_TRUE(admin::startQueueManager("QM2"));
    ASSERT_TRUE(admin::defineLocalQueue("QM2", "Q"));
    ASSERT_TRUE(admin::setDefaultQueueManager("QM2"));
    IkxQueueManager manager;  // connected and written: its WAL and index exist meanwhile
    manager.setManagerName("QM2");
    ASSERT_TRUE(manager.connect()) << manager.reason();
    IkxQueue queue;
    queue.bindManager(manager);
    queue.setQueueName("Q");
    QueueMessage message;
    ASSERT_TRUE(queue.put(message)) << queue.reason();
    umask.reset();

    EXPECT_EQ(modeOf(directory), 0700u);
    for (const char* file : {"QM2.qmgr", "QM2.qmgr-wal", "QM2.qmgr-shm", "QM2.qmgr-reserve",
                             "default-queue-manager"}) {
      EXPECT_EQ(modeOf(directory / file), 0600u) << file;
    }
  }
}

TEST_F(PermissionsAndLinks, ADataDirectoryEveryUserMayWriteIsRefused) {
  manager_.disconnect();
  for (const mode_t mode : {0777, 01777}) {
    SCOPED_TRACE("mode " + std::to_string(mode));
    fs::permissions(dataDir_, static_cast<fs::perms>(mode));
    const admin::Status created = admin::createQueueManager("QM2");
    EXPECT_EQ(created.reason, reason::kDataDirectoryUnsafe);
    EXPECT_NE(created.message.find("may be written by every user"), std::string::npos)
        << created.message;
    IkxQueueManager manager;
    manager.setManagerName("QM1");
    EXPECT_FALSE(manager.connect());
    EXPECT_EQ(manager.reason(), reason::kDataDirectoryUnsafe);
    std::vector<admin::ManagerInfo> managers;
    EXPECT_EQ(admin::listQueueManagers(managers).reason, reason::kDataDirectoryUnsafe);
    const KxadminRun run = runKxadmin({"queues", "QM1"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find(dataDir_.string() + " may be written by every user"),
              std::string::npos)
        << run.output;
  }
  fs::permissions(dataDir_, static_cast<fs::perms>(0755));
  EXPECT_FALSE(fs::exists(dataDir_ / "QM2.qmgr"));
  EXPECT_EQ(roundTrip(), reason::kNone);
}

TEST_F(PermissionsAndLinks, LinksPlantedInTheDataDirectoryAreNeverFollowed) {
  const fs::path victim = dataDir_.string() + "-victim";
  const fs::path otherVictim = dataDir_.string() + "-other-victim";
  std::ofstream(victim) << "precious";
  std::ofstream(otherVictim) << "also precious";
  const std::string pid = std::to_string(::getpid());
  // The names the temporary files once had, and the default mark itself.
  fs::create_symlink(victim, dataDir_ / ("default-queue-manager.new-" + pid));
  fs::create_symlink(victim, dataDir_ / ("QM2.qmgr.new-" + pid));
  fs::create_symlink(otherVictim, dataDir_ / "default-queue-manager");

  ASSERT_TRUE(admin::setDefaultQueueManager("QM1"));
  ASSERT_TRUE(admin::createQueueManager("QM2"));

  EXPECT_EQ(contentOf(victim), "precious");
  EXPECT_EQ(contentOf(otherVictim), "also precious");
  EXPECT_FALSE(fs::is_symlink(dataDir_ / "default-queue-manager"));
  EXPECT_EQ(contentOf(dataDir_ / "default-queue-manager"), "QM1\n");
  EXPECT_TRUE(admin::startQueueManager("QM2"));
  fs::remove(victim);
  fs::remove(otherVictim);
}

TEST_F(PermissionsAndLinks, AStoreThatIsALinkIsNeverOpenedThroughIt) {
  manager_.disconnect();
  const fs::path store = dataDir_ / "QM1.qmgr";
  // A link planted as the store's WAL is never written through, and is named.
  const fs::path victim = dataDir_.string() + "-victim";
  std::ofstream(victim) << "precious";
  fs::create_symlink(victim, store.string() + "-wal");
  EXPECT_EQ(roundTrip(), reason::kStoreDamaged);
  EXPECT_NE(admin::explainFailure("QM1", reason::kStoreDamaged)
                .find(store.string() + "-wal is not a regular file"),
            std::string::npos);
  EXPECT_EQ(contentOf(victim), "precious");
  fs::remove(store.string() + "-wal");
  fs::remove(victim);
  EXPECT_EQ(roundTrip(), reason::kNone);

  // The store moved out of the data directory, and a link to it left in its place.
  const fs::path elsewhere = dataDir_.string() + "-elsewhere.qmgr";
  fs::rename(store, elsewhere);
  fs::create_symlink(elsewhere, store);
  const std::string before = contentOf(elsewhere);

  EXPECT_EQ(roundTrip(), reason::kStoreDamaged);
  const admin::Status defined = admin::defineLocalQueue("QM1", "Q2");
  EXPECT_EQ(defined.reason, reason::kStoreDamaged);
  EXPECT_NE(defined.message.find(store.string() + " is a symbolic link"), std::string::npos)
      << defined.message;
  EXPECT_EQ(admin::startQueueManager("QM1").reason, reason::kStoreDamaged);
  EXPECT_TRUE(contentOf(elsewhere) == before) << "the file behind the link was changed";
  for (const char* companion : {"-wal", "-shm"}) {
    EXPECT_FALSE(fs::exists(elsewhere.string() + companion)) << companion;
  }
  // Forced, the delete takes the link away and leaves the file it pointed to.
  ASSERT_TRUE(admin::deleteQueueManager("QM1", true));
  EXPECT_FALSE(fs::exists(fs::symlink_status(store)));
  EXPECT_TRUE(contentOf(elsewhere) == before) << "the file behind the link was changed";
  fs::remove(elsewhere);
}

// The default mark holds one name: a mark of any other kind, or a longer one, is refused at once,
// named, and read no further than a name and its line end.
TEST_F(PermissionsAndLinks, ADefaultMarkThatIsNoSmallFileIsRefusedAtOnce) {
  using namespace std::chrono_literals;
  const fs::path mark = dataDir_ / "default-queue-manager";
  std::ofstream(mark) << std::string(1 << 20, 'Q');
  KxadminRun run = runKxadmin({"default"}, 10s);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find(mark.string() + " holds more than 49 bytes"), std::string::npos)
      << run.output;
  fs::remove(mark);

  ASSERT_EQ(::mkfifo(mark.c_str(), 0600), 0);
  run = runKxadmin({"default"}, 10s);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find(mark.string() + " is a FIFO, not a regular file"), std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("mark the default again with 'kxadmin default NAME'"),
            std::string::npos)
      << run.output;
  run = runKxadmin({"list"}, 10s);
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("QM1"), std::string::npos) << run.output;
  fs::remove(mark);

  fs::create_symlink("/dev/zero", mark);
  run = runKxadmin({"default"}, 10s);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find(mark.string() + " is a symbolic link"), std::string::npos)
      << run.output;
  EXPECT_LT(run.maxResidentKb, 64 * 1024);
  // Marking the default again puts a plain mark in place of whatever was there.
  ASSERT_TRUE(admin::setDefaultQueueManager("QM1"));
  EXPECT_EQ(runKxadmin({"default"}).output, "QM1\n");
}

TEST_F(PermissionsAndLinks, LeftoversOfAKilledCreateAreSweptAndNeverListed) {
  // What a create killed part-way leaves: its temporary store, SQLite's journal beside it, in the
  // names of older and newer versions; and the temporary file of a create still under way.
  const std::vector<std::string> leftovers = {"QM7.qmgr.new-4242", "QM7.qmgr.new-4242-journal",
                                              "QM8.qmgr.new-0123456789abcdef",
                                              "QM8.qmgr.new-0123456789abcdef-wal"};
  const auto leave = [&] {
    for (const auto& name : leftovers) std::ofstream(dataDir_ / name) << "half made";
  };
  leave();
  // A maker that is alive holds a lock on its temporary file while it works.
  const fs::path underWay = dataDir_ / "QM9.qmgr.new-00112233aabbccdd";
  const int maker = ::open(underWay.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
  ASSERT_GE(maker, 0);
  ASSERT_EQ(::flock(maker, LOCK_EX), 0);

  std::vector<admin::ManagerInfo> managers;
  ASSERT_TRUE(admin::listQueueManagers(managers));
  ASSERT_EQ(managers.size(), 1u);
  EXPECT_EQ(managers[0].name, "QM1");

  ASSERT_TRUE(admin::createQueueManager("QM2"));
  for (const auto& name : leftovers) EXPECT_FALSE(fs::exists(dataDir_ / name)) << name;
  EXPECT_TRUE(fs::exists(underWay));

  leave();
  ASSERT_TRUE(admin::startQueueManager("QM2"));
  for (const auto& name : leftovers) EXPECT_FALSE(fs::exists(dataDir_ / name)) << name;
  EXPECT_TRUE(fs::exists(underWay));
  ::close(maker);
}

TEST_F(PermissionsAndLinks, AStoreWhosePermissionsArePutRightWorksAgain) {
  manager_.disconnect();
  const fs::path store = dataDir_ / "QM1.qmgr";
  {
    AsOrdinaryUser user(dataDir_);
    fs::permissions(store, fs::perms::owner_read);
    const ReasonCode refused = roundTrip();
    EXPECT_TRUE(refused == reason::kStoreReadOnly || refused == reason::kStoreNoAccess) << refused;
    const admin::Status status = admin::defineLocalQueue("QM1", "Q2");
    EXPECT_EQ(status.reason, refused);
    EXPECT_NE(status.message.find("permission denied on " + store.string()), std::string::npos)
        << status.message;

    fs::permissions(store, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(roundTrip(), reason::kNone);
    EXPECT_TRUE(admin::defineLocalQueue("QM1", "Q2"));
    // One that others were let read is made private again by the next use.
    fs::permissions(store, static_cast<fs::perms>(0644));
    EXPECT_EQ(roundTrip(), reason::kNone);
  }
  for (const auto& entry : fs::directory_iterator(dataDir_)) {
    EXPECT_EQ(modeOf(entry.path()), 0600u) << entry.path();
  }
}

TEST_F(PermissionsAndLinks, ADataDirectoryGivenRelativeOrAsAUriIsTheFolderThatIsUsed) {
  manager_.disconnect();
  const fs::path before = fs::current_path();
  fs::current_path(dataDir_);
  fs::create_directory(dataDir_ / "kx");  // where the URI reading would lead
  for (const char* given : {"file:kx", "relative"}) {
    SCOPED_TRACE(given);
    ::setenv("KX_DATA_DIR", given, 1);
    EXPECT_EQ(admin::dataDirectory(), dataDir_ / given);
    ASSERT_TRUE(admin::createQueueManager("QM1"));
    ASSERT_TRUE(admin::startQueueManager("QM1"));
    ASSERT_TRUE(admin::defineLocalQueue("QM1", "Q1"));
    EXPECT_EQ(roundTrip(), reason::kNone);
    EXPECT_TRUE(fs::exists(dataDir_ / given / "QM1.qmgr"));
  }
  EXPECT_TRUE(fs::is_empty(dataDir_ / "kx"));
  fs::current_path(before);
}

TEST_F(PermissionsAndLinks, FindingTheHomeFolderLeavesAnotherThreadsPasswordEntryAlone) {
  // What a caller on another thread holds from the non-reentrant lookup stays as it was.
  const uid_t other = ::getuid() == 0 ? 65534 : 0;
  const passwd* held = ::getpwuid(other);
  ASSERT_NE(held, nullptr);
  const std::string name = held->pw_name;
  ::unsetenv("KX_DATA_DIR");
  ::unsetenv("XDG_DATA_HOME");
  const std::string home = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
  ::unsetenv("HOME");
  const fs::path directory = admin::dataDirectory();
  ::setenv("HOME", home.c_str(), 1);
  ::setenv("KX_DATA_DIR", dataDir_.c_str(), 1);
  EXPECT_EQ(held->pw_name, name);
  EXPECT_EQ(directory.filename(), "kx");
  EXPECT_TRUE(directory.is_absolute());
}

}  // namespace
}  // namespace kx::testing
