#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <iterator>

#include "platform/messaging/store_admin.h"
#include "tests/messaging/queue_fixture.h"

namespace kx::testing {
namespace {

using BadInputTest = QueueFixture;

const std::string kBadNames[] = {"", std::string(49, 'N'), "../x", "a b", "/etc", ".."};

std::string readAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(BadInputTest, BadQueueManagerNamesAreRefusedAndCreateNoFile) {
  const auto before = dataDirectoryListing();
  for (const auto& name : kBadNames) {
    SCOPED_TRACE("name '" + name + "'");
    EXPECT_NE(admin::createQueueManager(name).reason, reason::kNone);
    EXPECT_NE(admin::startQueueManager(name).reason, reason::kNone);
    EXPECT_NE(admin::deleteQueueManager(name).reason, reason::kNone);
    if (!name.empty()) {  // the empty name means the default, of which there is none
      IkxQueueManager manager;
      manager.setManagerName(name);
      EXPECT_FALSE(manager.connect());
      EXPECT_NE(manager.reason(), reason::kNone);
    }
  }
  EXPECT_EQ(admin::createQueueManager("has/slash").reason, reason::kQueueManagerNameError);
  EXPECT_EQ(dataDirectoryListing(), before);
  EXPECT_FALSE(std::filesystem::exists(dataDir_.parent_path() / "x.qmgr"));
}

TEST_F(BadInputTest, BadQueueNamesAreRefusedAndStoreNothing) {
  const auto before = dataDirectoryListing();
  for (const auto& name : kBadNames) {
    SCOPED_TRACE("name '" + name + "'");
    EXPECT_NE(admin::defineLocalQueue("QM1", name).reason, reason::kNone);
    EXPECT_NE(admin::defineAliasQueue("QM1", "ALIAS", name).reason, reason::kNone);
    IkxQueue queue;
    attach(manager_, queue, name);
    QueueMessage message;
    EXPECT_FALSE(queue.put(message));
    EXPECT_EQ(queue.reason(), reason::kObjectNameError);
    EXPECT_EQ(queue.queryDepth(), -1);
    EXPECT_EQ(queue.reason(), reason::kObjectNameError);
  }
  std::vector<admin::QueueInfo> queues;
  ASSERT_TRUE(admin::listQueues("QM1", queues));
  EXPECT_EQ(queues.size(), 1u);
  EXPECT_EQ(dataDirectoryListing(), before);
}

TEST_F(BadInputTest, AFileThatIsNotAStoreIsRefusedAndLeftUntouched) {
  // Garbage bytes, an SQLite database of someone else's, and one with our header but no tables.
  std::string garbage(8192, '\0');
  for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>(i * 37 + 11);
  std::ofstream(dataDir_ / "GARBAGE.qmgr", std::ios::binary) << garbage;
  for (const auto& [name, setup] :
       {std::pair<std::string, const char*>{"FOREIGN",
                                            "CREATE TABLE t(x); INSERT INTO t VALUES(1);"},
        {"HOLLOW",
         "PRAGMA application_id = 1263030605; PRAGMA user_version = 1; CREATE TABLE t(x);"}}) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((dataDir_ / (name + ".qmgr")).c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, setup, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
  }

  for (const char* name : {"GARBAGE", "FOREIGN", "HOLLOW"}) {
    SCOPED_TRACE(name);
    const auto path = dataDir_ / (std::string(name) + ".qmgr");
    const std::string before = readAll(path);
    IkxQueueManager manager;
    manager.setManagerName(name);
    EXPECT_FALSE(manager.connect());
    EXPECT_EQ(manager.reason(), reason::kStoreDamaged);
    EXPECT_EQ(admin::startQueueManager(name).reason, reason::kStoreDamaged);
    EXPECT_EQ(admin::defineLocalQueue(name, "Q").reason, reason::kStoreDamaged);
    EXPECT_EQ(admin::deleteQueueManager(name).reason, reason::kStoreDamaged);
    EXPECT_EQ(readAll(path), before);
  }
  std::vector<admin::ManagerInfo> managers;
  ASSERT_TRUE(admin::listQueueManagers(managers));
  ASSERT_EQ(managers.size(), 4u);
  EXPECT_TRUE(managers[0].damaged);  // FOREIGN, GARBAGE, HOLLOW, QM1
  EXPECT_FALSE(managers[3].damaged);
}

TEST_F(BadInputTest, OutOfRangeValuesAreRefusedAndStoreNothing) {
  EXPECT_EQ(admin::defineLocalQueue("QM1", "Q2", -1).reason, reason::kValueError);
  EXPECT_EQ(admin::alterMaxDepth("QM1", "Q1", 1'000'000'000).reason, reason::kValueError);

  // A put checks the whole message before it touches the store.
  const std::vector<std::uint8_t> huge((100u << 20) + 1);
  QueueMessage tooBig;
  tooBig.setData(huge.data(), huge.size());
  QueueMessage badPriority, format, replyTo, replyQmgr, expiryZero, expiryNegative;
  badPriority.priority = 10;
  format.format = "NINECHARS";
  replyTo.replyToQ = std::string(49, 'R');
  replyQmgr.replyQmgr = std::string(49, 'M');
  expiryZero.expiry = 0;
  expiryNegative.expiry = -2;
  const std::pair<QueueMessage*, ReasonCode> cases[] = {
      {&tooBig, reason::kMessageTooBig},      {&badPriority, reason::kPriorityError},
      {&format, reason::kFieldTooLong},       {&replyTo, reason::kFieldTooLong},
      {&replyQmgr, reason::kFieldTooLong},    {&expiryZero, reason::kExpiryError},
      {&expiryNegative, reason::kExpiryError}};
  for (const auto& [message, expected] : cases) {
    EXPECT_FALSE(queue_.put(*message));
    EXPECT_EQ(queue_.reason(), expected);
  }
  EXPECT_EQ(queue_.queryDepth(), 0);
}

}  // namespace
}  // namespace kx::testing
