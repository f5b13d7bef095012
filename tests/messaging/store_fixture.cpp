#include "tests/messaging/store_fixture.h"

#include <cstdlib>

#include "platform/messaging/store_admin.h"
#include "platform/messaging/test_seams.h"

namespace kx::testing {

void StoreFixture::SetUp() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kx_test_XXXXXX").string();
  ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
  dir_ = pattern;
  ::setenv("KX_DATA_DIR", dir_.c_str(), 1);
  ::unsetenv("KX_DEFAULT_QMGR");
  ASSERT_TRUE(admin::createQueueManager("QM1"));
  ASSERT_TRUE(admin::startQueueManager("QM1"));
  ASSERT_TRUE(admin::defineLocalQueue("QM1", "Q1"));
}

void StoreFixture::TearDown() {
  setClock({});
  setTraceHook({});
  setFaultHook({});
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

void StoreFixture::attach(IkxQueueManager& manager, IkxQueue& queue, const std::string& name) {
  manager.setManagerName("QM1");
  ASSERT_TRUE(manager.connect()) << manager.reason();
  queue.bindManager(manager);
  queue.setQueueName(name);
}

MessageId24 StoreFixture::putText(IkxQueue& queue, const std::string& text, bool persistent) {
  QueueMessage message;
  message.persistent = persistent ? 1 : 0;
  message.setData(text.data(), text.size());
  EXPECT_TRUE(queue.put(message)) << queue.reason();
  return message.msgId;
}

std::string textOf(const QueueMessage& message) {
  const auto data = message.data();
  return std::string(data.begin(), data.end());
}

std::vector<std::string> StoreFixture::dataDirectoryListing() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace kx::testing
