#include "tests/messaging/queue_fixture.h"

#include <algorithm>
#include <filesystem>

#include "platform/messaging/test_seams.h"

namespace kx::testing {

void QueueFixture::SetUp() {
  tarnix::testing::ManagerFixture::SetUp();
  if (HasFatalFailure() || IsSkipped()) return;
  defineQueue("Q1");
  attach(manager_, queue_);
}

void QueueFixture::TearDown() {
  setClock({});
  setTraceHook({});
  setFaultHook({});
  manager_.disconnect();
  tarnix::testing::ManagerFixture::TearDown();
}

void QueueFixture::attach(IkxQueueManager& manager, IkxQueue& queue, const std::string& name) {
  if (!manager.connected()) {
    manager.setManagerName(kManager);
    ASSERT_TRUE(manager.connect()) << manager.reason();
  }
  queue.bindManager(manager);
  queue.setQueueName(name);
}

MessageId24 QueueFixture::putText(IkxQueue& queue, const std::string& text, bool persistent) {
  QueueMessage message;
  message.persistent = persistent ? 1 : 0;
  message.setData(text.data(), text.size());
  EXPECT_TRUE(queue.put(message)) << queue.reason();
  return message.msgId;
}

std::string textOf(const QueueMessage& message) {
  const auto data = message.data();
  return {data.begin(), data.end()};
}

std::vector<std::string> QueueFixture::dataDirectoryListing() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dataDir_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace kx::testing
